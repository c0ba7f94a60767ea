"""Synthetic records for the benchmark, written straight to JSON text.

Values are drawn only through Random.random(), whose sequence is fixed for a
given seed on every Python 3 version, so one seed always gives the same bytes.
Pools of ready-escaped strings keep the per-record work to picks and one
string format, which is what makes 200 MB per file take seconds, not minutes.
"""
import unicodedata

FIRST_NAMES = ["Anna", "José", "Zoë", "Łukasz", "Søren", "François", "Mei", "Ömer",
               "Ingrid", "Jiří", "Chloé", "Jürgen", "Aïcha", "Tomás", "Ryo", "Björk"]
LAST_NAMES = ["Müller", "Dvořák", "García", "Øverby", "Smith", "Nakamura", "Kowalczyk",
              "Şahin", "Ólafsdóttir", "Brontë", "Nguyễn", "Peña", "Jones", "Lindqvist"]
DOMAINS = ["example.org", "mail.example.com", "test.example.net", "corp.example"]
CITIES = ["Paris, France", "São Paulo", "Zürich", "Kraków, PL", "New York, NY",
          "Reykjavík", "Tokyo", "Lyon", "Malmö", "A Coruña, Galicia"]
STREETS = ["Rue de l'Église", "Hauptstraße", "Main Street", "Calle Mayor", "Ulica Długa"]
COUNTRIES = ["FR", "BR", "CH", "PL", "US", "IS", "JP", "SE", "ES"]
TAGS = ["red", "green", "blue", "vip", "new", "on hold", "priority: high", "a,b", "naïve"]
WORDS = ["order", "shipped", "on", "time", "customer", "asked", "for", "a", "refund,",
         "call", "back", "at", "12:30:00", "note:", "café", "über", "fast", "delivery",
         "box", "damaged", "see", "ticket", "#4711", "ok", "thanks", "résumé", "10%"]
# Already JSON-escaped, so they go into the text as they are.
ESCAPES = ['\\"quoted\\"', "C:\\\\temp\\\\file", "line\\nbreak", "caf\\u00e9",
           "tab\\there", "\\u00e9t\\u00e9"]

ASCII_FOLD = str.maketrans({"Ł": "L", "ł": "l", "Ø": "O", "ø": "o", "ß": "ss"})


def _quote(text):
    # Pool texts hold no quote, backslash or control character except the
    # deliberate, already-escaped ESCAPES pieces, so plain quoting is enough.
    return '"' + text + '"'


def _ascii(text):
    folded = unicodedata.normalize("NFKD", text.translate(ASCII_FOLD))
    return folded.encode("ascii", "ignore").decode().lower()


class Pools:
    """Ready-to-write JSON value texts, built once per seed."""

    def __init__(self, rng):
        r = rng.random
        self.names = []
        self.emails = []
        for first in FIRST_NAMES:
            for last in LAST_NAMES:
                self.names.append(_quote(first + " " + last))
                self.emails.append(_ascii(first) + "." + _ascii(last))
        self.domains = DOMAINS
        self.cities = [_quote(c) for c in CITIES]
        self.streets = [_quote(s) for s in STREETS]
        self.countries = [_quote(c) for c in COUNTRIES]
        self.tags = [_quote(t) for t in TAGS]
        self.notes = [self._note(r) for _ in range(4096)]

    @staticmethod
    def _note(r):
        words = [WORDS[int(r() * len(WORDS))] for _ in range(4 + int(r() * 14))]
        if r() < 0.2:
            words.insert(int(r() * len(words)), ESCAPES[int(r() * len(ESCAPES))])
        if r() < 0.03:
            return '""'
        return _quote(" ".join(words))


def pick(r, items):
    return items[int(r() * len(items))]


def flat_values(r, pools, record_id):
    """The twelve member values of a flat record, in FLAT_NAMES order."""
    name_index = int(r() * len(pools.names))
    year, month, day = 2000 + int(r() * 25), 1 + int(r() * 12), 1 + int(r() * 28)
    hour, minute, second = int(r() * 24), int(r() * 60), int(r() * 60)
    if r() < 0.5:
        created = '"%04d-%02d-%02d"' % (year, month, day)
    else:
        created = '"%04d-%02d-%02dT%02d:%02d:%02dZ"' % (year, month, day, hour, minute, second)
    score = r() * 100
    score_text = "%.2f" % score if score > 1 else "%.6g" % (score / 1000)
    return (
        str(record_id),
        pools.names[name_index],
        '"%s%d@%s"' % (pools.emails[name_index], int(r() * 1000), pick(r, pools.domains)),
        "true" if r() < 0.5 else "false",
        score_text,
        str(int(r() * 2000) - 500),
        "%.2f" % (r() * 20000 - 5000),
        created,
        '"%02d:%02d:%02d"' % (hour, minute, second),
        pick(r, pools.cities),
        "null" if r() < 0.3 else pick(r, pools.names),
        pick(r, pools.notes),
    )


FLAT_NAMES = ["id", "name", "email", "active", "score", "quantity", "balance",
              "created", "time", "city", "manager", "note"]


def nested_parts(r, pools):
    """Values of the nested members: address fields, tag list, order list."""
    street = pick(r, pools.streets)[:-1] + " %d\"" % (1 + int(r() * 200))  # "Main Street 12"
    address = (street,
               pick(r, pools.cities),
               '"%05d"' % int(r() * 100000),
               pick(r, pools.countries))
    tags = [] if r() < 0.1 else [pick(r, pools.tags) for _ in range(2 + int(r() * 3))]
    orders = [('"%s-%04d"' % ("ABCDEFGH"[int(r() * 8)] * 2, int(r() * 10000)),
               str(1 + int(r() * 9)),
               "%.2f" % (r() * 500))
              for _ in range(1 + int(r() * 3))]
    return address, tags, orders


ADDRESS_NAMES = ["street", "city", "zip", "country"]
ORDER_NAMES = ["sku", "qty", "price"]
