"""JSON text layout for records: pretty (2-space indent, one member per line)
or compact (no spaces), matching what common pretty printers and `jq -c` write."""

from records import FLAT_NAMES, ADDRESS_NAMES, ORDER_NAMES

NESTED_NAMES = ["id", "name", "email", "address", "active", "score", "quantity",
                "balance", "created", "time", "city", "tags", "manager", "note", "orders"]


class Layout:
    def __init__(self, pretty, record_level):
        self.pretty = pretty
        self.record_level = record_level
        self._templates = {}

    def _indent(self, level):
        return "  " * level if self.pretty else ""

    def _template(self, names, level):
        # One "%s" template per object shape and depth: a record is then a single format.
        key = (tuple(names), level)
        template = self._templates.get(key)
        if template is None:
            if self.pretty:
                inner = self._indent(level + 1)
                members = ",\n".join(inner + '"' + n + '": %s' for n in names)
                template = "{\n" + members + "\n" + self._indent(level) + "}"
            else:
                template = "{" + ",".join('"' + n + '":%s' for n in names) + "}"
            self._templates[key] = template
        return template

    def obj(self, names, values, level):
        return self._template(names, level) % values

    def arr(self, items, level):
        if not items:
            return "[]"
        if not self.pretty:
            return "[" + ",".join(items) + "]"
        inner = self._indent(level + 1)
        return "[\n" + ",\n".join(inner + i for i in items) + "\n" + self._indent(level) + "]"

    def flat_record(self, values):
        return self._indent(self.record_level) + self.obj(FLAT_NAMES, values, self.record_level)

    def nested_record(self, values, parts):
        level = self.record_level
        address, tags, orders = parts
        v = values
        members = (v[0], v[1], v[2],
                   self.obj(ADDRESS_NAMES, address, level + 1),
                   v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                   self.arr(tags, level + 1),
                   v[10], v[11],
                   self.arr([self.obj(ORDER_NAMES, o, level + 2) for o in orders], level + 1))
        return self._indent(level) + self.obj(NESTED_NAMES, members, level)
