#!/usr/bin/env python3
"""The release packages, tested as an administrator and a user would meet them, in a fresh Wine
prefix on the current X display (scripts/with-display gives one):

- scripts/package builds the MSI and the portable zip; a second MSI of the next version is built
  from the same binaries through a signing hook that marks the executables it signs; the zip's
  contents are checked;
- the MSI installs silently: files, Start menu shortcut, "Apps & features" entry and the "Open
  with" registration (the default program of .json stays as it was); the installed program
  opened with a JSON file and with a JSON Lines file through that registration starts with the
  file loaded; the installed tabulora-cli converts a sample;
- the next version replaces it in place (one entry, the new files); the same or an older version
  is refused with its message and changes nothing; a silent uninstall removes everything.

A screenshot of the installed program and one of the refusal go to the packages' folder. Every
wait is bounded, and so is the whole run."""

import argparse
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from e2e_support import Failure, wait_for  # noqa: E402

MAIN_TITLE = "BRIMTAL - Tabulora"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
INSTALL_DIR = r"C:\Program Files\Tabulora"
PROGRAM_FILES = ("Tabulora.exe", "license.txt", "tabulora-cli.exe")
ZIP_FILES = ["Tabulora.exe", "tabulora-cli.exe", "license.txt", "README.txt"]
SIGN_MARK = b"TABULORA-TEST-SIGNATURE"
# What the user's machine already had: the installer must leave it alone.
JSON_DEFAULT_PROGRAM = "txtfile"

SAMPLE_JSON = '[{"name": "Ann", "city": "Oslo; Norway"}, {"name": "Bob", "note": "say \\"hi\\""}]\n'
SAMPLE_CSV = b'name,city,note\r\nAnn,Oslo; Norway,\r\nBob,,"say ""hi"""\r\n'
SAMPLE_JSONL = '{"id": 1, "tag": "x"}\n{"id": 2, "tag": "y"}\n'


def check(condition, message):
    if not condition:
        raise Failure(message)


def sha256(path):
    with open(path, "rb") as handle:
        return hashlib.sha256(handle.read()).hexdigest()


def parse_reg_query(text):
    """`reg query /s` output as {key path: {value name: data}} (names as reg prints them)."""
    keys, current = {}, None
    for line in text.replace("\r", "").split("\n"):
        if line.startswith("HKEY_"):
            current = keys.setdefault(line.strip(), {})
        elif current is not None and line.startswith("    "):
            match = re.match(r"^    (.*?)    (REG_[A-Z_]+)(?:    (.*))?$", line)
            if match:
                current[match.group(1)] = match.group(3) or ""
    return keys


class Session:
    def __init__(self, args):
        self.root = os.path.abspath(args.root)
        self.packages = os.path.join(self.root, "build", "package")
        self.deadline = time.monotonic() + args.budget
        self.work = tempfile.mkdtemp(prefix="tabulora-package-")
        self.prefix = os.path.join(self.work, "prefix")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8")
        self.probe = os.path.join(self.root, "build", "win64", "bin", "shell_probe.exe")

    # ---- plumbing

    def run(self, *command, check_status=True, timeout=60, env=None, binary=False):
        """Runs a command and returns its status and output. The output goes through files, not
        pipes: processes that Wine starts on the way (its services, a started program) inherit
        them and may outlive the command."""
        remaining = max(1.0, min(timeout, self.deadline - time.monotonic()))
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            status = subprocess.run(command, env=env or self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                    timeout=remaining, cwd=self.root).returncode
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read(), err.read().decode("utf-8", "replace")
        result = subprocess.CompletedProcess(command, status, stdout if binary else stdout.decode("utf-8", "replace"),
                                             stderr)
        if check_status and status != 0:
            raise Failure(f"{' '.join(command)} failed ({status}): {stderr}")
        return result

    def wine(self, *command, **options):
        return self.run("wine", *command, **options)

    def poll(self, what, probe, timeout=30):
        return wait_for(what, probe, timeout, self.deadline)

    def unix_path(self, windows_path):
        drive, rest = windows_path.split(":", 1)
        check(drive.upper() == "C", f"not on drive C: {windows_path}")
        return os.path.join(self.prefix, "drive_c", *[part for part in rest.split("\\") if part])

    def reg(self, key):
        """The key and its subkeys, or {} when the key does not exist."""
        result = self.wine("reg", "query", key, "/s", check_status=False)
        return parse_reg_query(result.stdout) if result.returncode == 0 else {}

    def reg_values(self, key):
        tree = self.reg(key)
        return next((values for path, values in tree.items() if path.lower() == self.full_key(key).lower()), None)

    @staticmethod
    def full_key(key):
        for short, full in (("HKLM\\", "HKEY_LOCAL_MACHINE\\"), ("HKCU\\", "HKEY_CURRENT_USER\\"),
                            ("HKCR\\", "HKEY_CLASSES_ROOT\\")):
            if key.startswith(short):
                return full + key[len(short):]
        return key

    def entries(self):
        """The "Apps & features" entries named Tabulora: {product code: values}."""
        return {path.rsplit("\\", 1)[1]: values for path, values in self.reg(UNINSTALL_KEY).items()
                if values.get("DisplayName") == "Tabulora"}

    def only_entry(self, version):
        entries = self.entries()
        check(len(entries) == 1, f"expected one Tabulora entry in Apps & features, found {len(entries)}: " +
              ", ".join(f"{code} version {values.get('DisplayVersion')}" for code, values in entries.items()))
        code, values = next(iter(entries.items()))
        check(values.get("DisplayVersion") == version,
              f"the entry shows version {values.get('DisplayVersion')!r}, expected {version!r}")
        return code, values

    def shortcuts(self):
        pattern = os.path.join("Microsoft", "Windows", "Start Menu", "Programs", "Tabulora.lnk")
        return (glob.glob(os.path.join(self.prefix, "drive_c", "ProgramData", pattern)) +
                glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming", pattern)))

    def installed(self):
        folder = self.unix_path(INSTALL_DIR)
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else None

    def installed_hashes(self):
        return {name: sha256(os.path.join(self.unix_path(INSTALL_DIR), name)) for name in PROGRAM_FILES}

    def msiexec(self, *arguments, env=None):
        return self.wine("msiexec", *arguments, check_status=False, timeout=120, env=env).returncode

    def screenshot(self, window, name):
        path = os.path.join(self.packages, name)
        self.run("import", "-window", window, path, check_status=False)
        return path

    # ---- building

    def build(self):
        self.run("scripts/package", timeout=900)
        with open(os.path.join(self.root, "build", "win64", "generated", "version.h")) as handle:
            header = dict(re.findall(r'#define TABULORA_VERSION_(\w+) "?([\d.]+)"?', handle.read()))
        major, minor, patch = (int(header[field]) for field in ("MAJOR", "MINOR", "PATCH"))
        self.file_version = header["FULL"]
        self.version, self.next_version = f"{major}.{minor}.{patch}", f"{major}.{minor}.{patch + 1}"

        # The next version through a signing hook that marks what it signs, as a signature would.
        sign_log = os.path.join(self.work, "signed.txt")
        hook = os.path.join(self.work, "sign.sh")
        with open(hook, "w") as handle:
            handle.write(f'echo "$1" >>"{sign_log}"\n'
                         f'case "$1" in *.exe) printf "{SIGN_MARK.decode()}" >>"$1" ;; esac\n')
        next_dir = os.path.join(self.work, "next")
        self.run("scripts/package", "--version", self.next_version, "--out-dir", next_dir, timeout=300,
                 env=dict(os.environ, SIGN_COMMAND=f"sh {hook}"))
        with open(sign_log) as handle:
            signed = [os.path.basename(line.strip()) for line in handle]
        check(signed == ["Tabulora.exe", "tabulora-cli.exe", f"Tabulora-{self.next_version}-x64.msi"],
              f"the signing hook saw {signed}")
        check(os.listdir(next_dir) == [f"Tabulora-{self.next_version}-x64.msi"],
              f"--version built {os.listdir(next_dir)}, expected only the MSI")
        self.next_msi = os.path.join(next_dir, os.listdir(next_dir)[0])

        # The same next version built again: another package of a version that will be installed.
        again_dir = os.path.join(self.work, "again")
        self.run("scripts/package", "--version", self.next_version, "--out-dir", again_dir, timeout=300)
        self.again_msi = os.path.join(again_dir, f"Tabulora-{self.next_version}-x64.msi")

        # A failing signing command leaves no package behind.
        failed_dir = os.path.join(self.work, "failed")
        result = self.run("scripts/package", "--version", self.next_version, "--out-dir", failed_dir,
                          check_status=False, timeout=300, env=dict(os.environ, SIGN_COMMAND="false"))
        check(result.returncode != 0 and "SIGN_COMMAND failed" in result.stderr,
              f"a failing SIGN_COMMAND was not reported: {result.returncode} {result.stderr}")
        check(not os.path.exists(failed_dir) or not os.listdir(failed_dir),
              "a failed signing still left a package")

        self.run("cmake", "--build", "build/win64", "--target", "shell_probe", "--", "-j2", timeout=300)

    def msi_path(self, version):
        return os.path.join(self.packages, f"Tabulora-{version}-x64.msi")

    def msi_table(self, msi, table):
        """The rows of an MSI table, each a list of its columns (after the three header lines)."""
        text = self.run("msiinfo", "export", msi, table).stdout.replace("\r", "")
        return [line.split("\t") for line in text.split("\n")[3:] if line]

    def check_msi_properties(self):
        msi = self.msi_path(self.version)
        properties = {row[0]: row[1] for row in self.msi_table(msi, "Property")}
        expected = {"ProductName": "Tabulora", "Manufacturer": "BRIMTAL", "ProductVersion": self.version,
                    "ALLUSERS": "1", "ARPHELPLINK": "http://tabulora.example/"}
        for name, value in expected.items():
            check(properties.get(name) == value, f"the MSI's {name} is {properties.get(name)!r}, expected {value!r}")
        next_properties = {row[0]: row[1] for row in self.msi_table(self.next_msi, "Property")}
        check(properties["UpgradeCode"] == next_properties["UpgradeCode"], "the two versions have different UpgradeCodes")
        check(properties["ProductCode"] != next_properties["ProductCode"], "the two versions share a ProductCode")
        # The program's own file version, which wixl leaves out and scripts/package puts in.
        versions = {row[2]: row[4] for row in self.msi_table(msi, "File")}
        check(versions.get("Tabulora.exe") == self.file_version,
              f"the File table gives Tabulora.exe version {versions.get('Tabulora.exe')!r}, expected {self.file_version!r}")

    def check_zip(self):
        path = os.path.join(self.packages, f"Tabulora-{self.version}-x64-portable.zip")
        with zipfile.ZipFile(path) as archive:
            check(archive.namelist() == ZIP_FILES, f"the zip holds {archive.namelist()}")
            sources = {"Tabulora.exe": "build/win64/bin/Tabulora.exe",
                       "tabulora-cli.exe": "build/win64/bin/tabulora-cli.exe", "license.txt": "res/license.txt"}
            for name, source in sources.items():
                with open(os.path.join(self.root, source), "rb") as handle:
                    check(archive.read(name) == handle.read(), f"the zip's {name} differs from {source}")
            readme = archive.read("README.txt").decode("ascii")
        check("\n" not in readme.replace("\r\n", ""), "README.txt has line ends other than CR LF")
        check(f"Tabulora {self.version}" in readme, "README.txt does not name the version")
        match = re.search(r"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\VS\\ServiceModules\\([0-9a-f]{32})\\Settings",
                          readme)
        check(match, "README.txt does not say where the settings live")
        self.settings_key = r"HKCU\SOFTWARE\Microsoft\VS\ServiceModules" + "\\" + match.group(1) + r"\Settings"

    # ---- Windows

    def prepare_wine(self):
        check(os.environ.get("DISPLAY"), "no X display (run under scripts/with-display)")
        self.run("wineboot", "-i", timeout=180)
        self.run("wineserver", "-w", timeout=60)
        # One server for the whole run (ended in close()): each Wine command then starts quickly.
        self.run("wineserver", "-p")
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N", "/f")
        self.wine("reg", "add", r"HKLM\Software\Classes\.json", "/ve", "/d", JSON_DEFAULT_PROGRAM, "/f")
        data = self.unix_path(r"C:\users\Public\Documents\Tabulora test")
        os.makedirs(data)
        for name, text in (("people.json", SAMPLE_JSON), ("ids.jsonl", SAMPLE_JSONL)):
            with open(os.path.join(data, name), "w", encoding="utf-8", newline="\n") as handle:
                handle.write(text)

    def install(self):
        status = self.msiexec("/i", self.msi_path(self.version), "/qn")
        check(status == 0, f"the silent install ended with {status}")
        check(self.installed() == sorted(PROGRAM_FILES), f"{INSTALL_DIR} holds {self.installed()}")
        for name, source in (("Tabulora.exe", "build/win64/bin/Tabulora.exe"), ("license.txt", "res/license.txt")):
            check(sha256(os.path.join(self.unix_path(INSTALL_DIR), name)) == sha256(os.path.join(self.root, source)),
                  f"the installed {name} differs from {source}")

        code, values = self.only_entry(self.version)
        expected = {"Publisher": "BRIMTAL", "HelpLink": "http://tabulora.example/",
                    "InstallLocation": INSTALL_DIR + "\\"}
        for name, value in expected.items():
            check(values.get(name) == value, f"the entry's {name} is {values.get(name)!r}, expected {value!r}")
        # The entry's icon: Windows Installer keeps it with the product's registration.
        products = self.reg(r"HKLM\Software\Classes\Installer\Products")
        icons = [values.get("ProductIcon") for values in products.values() if values.get("ProductName") == "Tabulora"]
        check(len(icons) == 1 and icons[0] and os.path.isfile(self.unix_path(icons[0])),
              f"no icon for the entry: {icons}")

        shortcuts = self.shortcuts()
        check(len(shortcuts) == 1, f"expected one Start menu shortcut Tabulora.lnk, found {shortcuts}")
        link = "C:\\" + os.path.relpath(shortcuts[0], os.path.join(self.prefix, "drive_c")).replace("/", "\\")
        target = dict(line.split("\t", 1) for line in
                      self.wine(self.probe, "shortcut", link).stdout.splitlines() if "\t" in line)
        check(target.get("target", "").lower() == (INSTALL_DIR + r"\Tabulora.exe").lower(),
              f"the shortcut points at {target}")

    def check_open_with(self):
        json_values = self.reg_values(r"HKCR\.json") or {}
        check(json_values.get("(Default)") == JSON_DEFAULT_PROGRAM, f"the default program of .json changed: {json_values}")
        progids = {}
        for extension in (".json", ".jsonl"):
            values = self.reg_values(rf"HKCR\{extension}\OpenWithProgids") or {}
            check(len(values) == 1, f"{extension} lists {values} under OpenWithProgids")
            progids[extension] = next(iter(values))
        check(not (self.reg_values(r"HKCR\.jsonl") or {}).get("(Default)"), "the installer set a default for .jsonl")
        supported = self.reg_values(r"HKCR\Applications\Tabulora.exe\SupportedTypes") or {}
        check(set(supported) == {".json", ".jsonl"}, f"Applications\\Tabulora.exe supports {supported}")
        command = f'"{INSTALL_DIR}\\Tabulora.exe" "%1"'
        for key in (rf"HKCR\{progids['.json']}\shell\open\command", r"HKCR\Applications\Tabulora.exe\shell\open\command"):
            value = (self.reg_values(key) or {}).get("(Default)")
            check(value == command, f"{key} is {value!r}, expected {command!r}")
        self.progid = progids[".json"]

    def main_window_controls(self):
        result = self.wine(self.probe, "controls", MAIN_TITLE, check_status=False)
        if result.returncode != 0:
            return None
        return [line.split("\t", 2) for line in result.stdout.splitlines() if line.count("\t") >= 2]

    def open_and_see_loaded(self, file_class, windows_file, shot=None):
        """Opens the file through the registered class and waits for the program to show it."""
        self.wine(self.probe, "open", file_class, windows_file)
        loaded = lambda: [c for c in self.main_window_controls() or [] if c[2] == "Load JSON files... [1]"]
        self.poll(f"the installed program to show {windows_file} loaded", loaded, timeout=45)
        export = [c for c in self.main_window_controls() if c[2] == "Export to CSV..."]
        check(export and export[0][1] == "1", f"the export button is not enabled: {export}")
        if shot:
            window = self.poll("the main window on the display", lambda: self.run(
                "xdotool", "search", "--onlyvisible", "--name", f"^{MAIN_TITLE}$", check_status=False).stdout.split())
            time.sleep(1)   # let it finish painting
            self.screenshot(window[0], shot)

    def run_installed_program(self):
        data = r"C:\users\Public\Documents\Tabulora test"
        self.open_and_see_loaded(self.progid, data + r"\people.json", shot="installed-program-opened-with-json.png")
        # The program keeps its settings where README.txt says, and nothing beside itself.
        self.poll("the settings key of README.txt", lambda: (self.reg_values(self.settings_key) or {}).get("HowMany"))
        self.wine(self.probe, "close", MAIN_TITLE)
        self.open_and_see_loaded(r"Applications\Tabulora.exe", data + r"\ids.jsonl")
        self.wine(self.probe, "close", MAIN_TITLE)
        check(self.installed() == sorted(PROGRAM_FILES), f"the program wrote into its folder: {self.installed()}")

        result = self.wine(INSTALL_DIR + r"\tabulora-cli.exe", data + r"\people.json", binary=True)
        check(result.stdout == SAMPLE_CSV, f"the installed tabulora-cli wrote {result.stdout!r}")

    def upgrade(self):
        status = self.msiexec("/i", self.next_msi, "/qn")
        check(status == 0, f"the silent upgrade ended with {status}")
        self.only_entry(self.next_version)
        check(self.installed() == sorted(PROGRAM_FILES), f"after the upgrade {INSTALL_DIR} holds {self.installed()}")
        with open(os.path.join(self.unix_path(INSTALL_DIR), "Tabulora.exe"), "rb") as handle:
            check(handle.read().endswith(SIGN_MARK), "the upgrade left the old Tabulora.exe in place")
        check(len(self.shortcuts()) == 1, f"after the upgrade the shortcuts are {self.shortcuts()}")

    def refuse_older_and_same(self):
        before = self.installed_hashes()
        # The older one with the basic interface, to see the message it gives.
        log = os.path.join(self.work, "older.log")
        with open(log, "w") as stderr:
            installer = subprocess.Popen(["wine", "msiexec", "/i", self.msi_path(self.version), "/qb"],
                                         env=dict(self.env, WINEDEBUG="-all,+msgbox"), cwd=self.root,
                                         stdout=subprocess.DEVNULL, stderr=stderr)
        try:
            def message():
                with open(log, encoding="utf-8", errors="replace") as handle:
                    found = re.search(r'MSGBOX_OnInit L"(.*)"', handle.read())
                if not found and installer.poll() is not None:
                    raise Failure(f"the older version's installer ended ({installer.returncode}) without a message")
                return found.group(1) if found else None
            text = self.poll("the refusal message", message, timeout=60)
            check("the same or a newer version of Tabulora is already installed" in text,
                  f"the refusal says {text!r}")
            # The box is the only window on the display; without a window manager the keyboard
            # goes to the window under the pointer.
            box = self.poll("the refusal box on the display", lambda: self.run(
                "xdotool", "search", "--onlyvisible", "--name", ".", check_status=False).stdout.split())[-1]
            time.sleep(0.5)
            self.screenshot(box, "refused-older-version.png")
            geometry = dict(line.split("=", 1) for line in self.run(
                "xdotool", "getwindowgeometry", "--shell", box).stdout.split())
            self.run("xdotool", "mousemove", str(int(geometry["X"]) + int(geometry["WIDTH"]) // 2),
                     str(int(geometry["Y"]) + 10), "sleep", "0.1", "key", "Return")
            status = installer.wait(timeout=max(1.0, min(60, self.deadline - time.monotonic())))
        finally:
            if installer.poll() is None:
                installer.kill()
        check(status != 0, "the older version's install did not report a failure")
        status = self.msiexec("/i", self.again_msi, "/qn")
        check(status != 0, "another package of the installed version was installed")
        self.only_entry(self.next_version)
        check(self.installed_hashes() == before, "a refused install changed the installed files")

    def uninstall(self):
        code, _ = self.only_entry(self.next_version)
        status = self.msiexec("/x", code, "/qn")
        check(status == 0, f"the silent uninstall ended with {status}")
        check(self.installed() is None, f"{INSTALL_DIR} is still there: {self.installed()}")
        check(not self.entries(), f"Apps & features still lists {self.entries()}")
        check(not self.shortcuts(), f"the shortcut is still there: {self.shortcuts()}")
        check(not self.reg(r"HKCR\Applications\Tabulora.exe"), "Applications\\Tabulora.exe is still registered")
        for extension in (".json", ".jsonl"):
            check(not self.reg_values(rf"HKCR\{extension}\OpenWithProgids"),
                  f"{extension} still lists the program under OpenWithProgids")
        check((self.reg_values(r"HKCR\.json") or {}).get("(Default)") == JSON_DEFAULT_PROGRAM,
              "the uninstall changed the default program of .json")

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
        shutil.rmtree(self.work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    parser.add_argument("--budget", type=float, default=900, help="seconds for the whole run")
    args = parser.parse_args()
    session = Session(args)
    started = time.monotonic()
    steps = [("packages built", session.build), ("MSI properties", session.check_msi_properties),
             ("portable zip", session.check_zip), ("fresh Wine prefix", session.prepare_wine),
             ("silent install", session.install), ("open with registration", session.check_open_with),
             ("installed programs", session.run_installed_program),
             ("upgrade", session.upgrade), ("same or older refused", session.refuse_older_and_same),
             ("silent uninstall", session.uninstall)]
    try:
        for name, step in steps:
            step()
            print(f"ok   {name} ({time.monotonic() - started:.0f}s)", flush=True)
    except (Failure, subprocess.TimeoutExpired) as error:
        print(f"FAILED at {name}: {error}", file=sys.stderr)
        return 1
    finally:
        session.close()
    print(f"packages passed; screenshots in {session.packages}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
