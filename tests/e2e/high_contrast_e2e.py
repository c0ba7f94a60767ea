#!/usr/bin/env python3
"""The real Tabulora.exe under Wine with a high-contrast theme (white background, black text, a
blue hot-light colour) set in the Wine prefix: the main window with a file loaded, the feedback
window with "I like it!" reached by the keyboard and chosen with Space, and the about box with
its link focused by Tab. Screenshots go to the artifacts folder; the about box's centre is
checked to have left its own black and lime for the theme's colours.

Wine reads the theme's colours from HKCU\\Control Panel\\Colors; its SystemParametersInfo
answers SPI_GETHIGHCONTRAST with "off" whatever the registry says, so the program is also told
through TABULORA_HIGH_CONTRAST=1 (the high-contrast flag is set in the registry all the same)."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import Failure  # noqa: E402
from tabulora_e2e import (ABOUT_SIZE, ABOUT_TITLE, FEEDBACK_TITLE, MAIN_TITLE, Session,  # noqa: E402
                          run_main)

# Windows' "High Contrast White" scheme, as the Colors key holds it.
THEME = {
    "Window": "255 255 255", "WindowText": "0 0 0", "ButtonFace": "255 255 255", "ButtonText": "0 0 0",
    "ButtonShadow": "128 128 128", "ButtonHilight": "255 255 255", "ButtonLight": "255 255 255",
    "ButtonDkShadow": "0 0 0", "Hilight": "55 0 110", "HilightText": "255 255 255", "HotTrackingColor": "0 0 159",
    "MenuHilight": "55 0 110", "Menu": "255 255 255", "MenuText": "0 0 0", "MenuBar": "255 255 255",
    "GrayText": "96 0 0", "ActiveCaption": "0 0 0", "TitleText": "255 255 255",
    "GradientActiveCaption": "0 0 0", "InactiveCaption": "255 255 255", "InactiveTitleText": "0 0 0",
    "GradientInactiveCaption": "255 255 255", "ActiveBorder": "128 128 128", "InactiveBorder": "192 192 192",
    "WindowFrame": "0 0 0", "Background": "255 255 255", "AppWorkspace": "128 128 128", "Scrollbar": "255 255 255",
    "InfoWindow": "255 255 255", "InfoText": "0 0 0",
}
LIME, BLACK, WHITE, HOT_LIGHT = (0, 255, 0), (0, 0, 0), (255, 255, 255), (0, 0, 159)


class HighContrastSession(Session):
    def prepare_wine(self):
        super().prepare_wine()
        for name, value in THEME.items():
            self.run("wine", "reg", "add", r"HKCU\Control Panel\Colors", "/v", name, "/d", value, "/f")
        self.run("wine", "reg", "add", r"HKCU\Control Panel\Accessibility\HighContrast", "/v", "Flags", "/d", "127",
                 "/f")
        self.run("wineserver", "-w", timeout=60)

    def colours(self, png, x, y, width, height):
        """The colours of a rectangle of a screenshot, as (red, green, blue) tuples."""
        out = self.run("convert", png, "-crop", f"{width}x{height}+{x}+{y}", "+repage", "-depth", "8", "txt:-")
        found = set()
        for line in out.splitlines()[1:]:
            values = line.split("(", 1)[1].split(")", 1)[0].split(",")
            found.add(tuple(int(float(v)) for v in values[:3]))
        return found

    def scenario(self):
        data = os.path.join(self.work, "people.json")
        with open(data, "w", encoding="utf-8") as handle:
            handle.write('[{"name": "Ann"}]\n')
        suffix = f"-{self.dpi}dpi"
        self.app_log = os.path.join(self.work, "app.log")
        with open(self.app_log, "w") as log:
            self.app = subprocess.Popen(["wine", self.args.exe, self.wine_path(data)],
                                        env=dict(self.env, TABULORA_HIGH_CONTRAST="1"), cwd=self.work,
                                        stdout=subprocess.DEVNULL, stderr=log)
        main = self.wait_window(MAIN_TITLE, timeout=40)
        time.sleep(1.5)
        self.screenshot("high-contrast-main" + suffix, main)

        self.open_help_item(main, "f")
        feedback = self.wait_window(FEEDBACK_TITLE)
        time.sleep(0.7)
        self.point_at(feedback)
        self.run("xdotool", "key", "shift+Tab")   # from the message back to the choices
        time.sleep(0.3)
        self.run("xdotool", "key", "space")
        time.sleep(0.5)
        self.screenshot("high-contrast-feedback" + suffix, feedback)
        self.run("xdotool", "key", "Escape")      # the chosen panel has the focus
        self.wait_gone(FEEDBACK_TITLE)

        self.open_help_item(main, "a")
        about = self.wait_window(ABOUT_TITLE)
        time.sleep(0.7)
        self.point_at(about)
        self.run("xdotool", "key", "Tab", "Tab")  # OK, Info, the link
        time.sleep(1)
        shot = self.screenshot("high-contrast-about" + suffix, about)
        ox, oy = self.client_origin(about, *ABOUT_SIZE)
        x, y, _, _ = self.geometry(about)
        # The centre panel without its logo: the icon, name and version, the buttons, the link.
        left, top = ox - x + self.scale(48), oy - y + self.scale(42 + 115)
        centre = self.colours(shot, left, top, self.scale(350), self.scale(291 - 115))
        if LIME in centre or BLACK not in centre or WHITE not in centre:
            raise Failure(f"the about box's centre keeps its own colours: {sorted(centre)[:12]}")
        if HOT_LIGHT not in centre:
            raise Failure("the about box's link is not in the hot-light colour")
        self.run("xdotool", "key", "shift+Tab", "shift+Tab")
        self.run("xdotool", "key", "Escape")      # "OK" has the focus
        self.wait_gone(ABOUT_TITLE)


if __name__ == "__main__":
    sys.exit(run_main(HighContrastSession, budget=150))
