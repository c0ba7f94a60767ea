#include "engine/recipe.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/byte_source.h"
#include "engine/file_io.h"
#include "engine/json_document.h"
#include "engine/line_position.h"
#include "engine/utf.h"

namespace tabulora {
namespace {

constexpr std::string_view kVersionKey = "tabulora-recipe";
constexpr std::string_view kVersion = "1";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct KeyName {
    RecipeKey key;
    std::string_view name;
};

// In the order a saved recipe lists them.
constexpr KeyName kKeyNames[kRecipeKeyCount] = {
    {RecipeKey::Header, "header"},
    {RecipeKey::Separator, "separator"},
    {RecipeKey::Encoding, "encoding"},
    {RecipeKey::Flatten, "flatten"},
    {RecipeKey::Bom, "bom"},
    {RecipeKey::FormulaGuard, "formulaGuard"},
    {RecipeKey::SkipBadLines, "skipBadLines"},
    {RecipeKey::Records, "records"},
    {RecipeKey::Explode, "explode"},
    {RecipeKey::Join, "join"},
    {RecipeKey::Columns, "columns"},
    {RecipeKey::Rename, "rename"},
};

static_assert(
    [] {
        for (size_t i = 0; i < kRecipeKeyCount; ++i)
            if (static_cast<size_t>(kKeyNames[i].key) != i) return false;
        return true;
    }(),
    "kKeyNames lists the keys in the order of RecipeKey");

std::optional<RecipeKey> KeyNamed(std::string_view name) {
    for (const KeyName& key : kKeyNames)
        if (key.name == name) return key.key;
    return std::nullopt;
}

// A name as a message quotes it: in double quotes, control characters escaped.
std::string Quoted(std::string_view name) { return "\"" + WithControlsEscaped(name) + "\""; }

// Reads the members of a recipe's object; the first fault ends it with a message.
class RecipeReader {
public:
    RecipeReader(std::string_view text, std::string_view fileName) : text_(text), fileName_(fileName) {}

    bool Read(RecipeSettings& settings) {
        JsonValue root;
        JsonDocumentError syntax;
        if (const size_t valid = ValidUtf8Prefix(text_); valid < text_.size())
            return FailAt(valid, "not valid UTF-8 text (a recipe is a UTF-8 file)");
        if (!ParseJsonDocument(text_, root, syntax)) {
            const TextPlace place = PlaceInText(text_, syntax.offset);
            std::string message = std::string(fileName_) + ": not valid JSON at " + PlaceText(place) + ", " +
                                  syntax.reason;
            if (!place.context.empty()) message += ": " + WithControlsEscaped(place.context);
            return Fail(std::move(message));
        }
        if (root.kind != JsonValue::Kind::Object)
            return FailAt(root.offset,
                          std::string("a recipe is one JSON object ({\"tabulora-recipe\": 1, ...}), not ") +
                              JsonKindName(root.kind));
        if (!CheckVersion(root)) return false;
        RecipeKeys seen;
        for (const JsonMember& member : root.members) {
            if (member.name == kVersionKey) continue;
            const std::optional<RecipeKey> key = KeyNamed(member.name);
            if (!key) return FailAt(member.offset, "unknown key " + Quoted(member.name) + KnownKeys());
            if (seen.test(static_cast<size_t>(*key)))
                return FailAt(member.offset, "the key " + Quoted(member.name) + " is given twice");
            Mark(seen, *key);
            if (!ReadSetting(*key, member, settings)) return false;
        }
        return true;
    }

    const std::string& Error() const { return error_; }

private:
    static std::string KnownKeys() {
        std::string known = " (a recipe knows ";
        for (const KeyName& key : kKeyNames) known += std::string(key.name) + ", ";
        return known + "and " + std::string(kVersionKey) + ")";
    }
    static std::string PlaceText(const TextPlace& place) {
        return "line " + std::to_string(place.line) + ", column " + std::to_string(place.column);
    }
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }
    bool FailAt(size_t offset, const std::string& message) {
        return Fail(std::string(fileName_) + ": " + PlaceText(PlaceInText(text_, offset)) + ": " + message);
    }
    // `what` (a key, or an item of one) is not what it must be.
    bool WrongValue(const JsonValue& value, const std::string& what, const std::string& wanted) {
        return FailAt(value.offset, what + " must be " + wanted + ", not " + JsonKindName(value.kind));
    }

    bool CheckVersion(const JsonValue& root) {
        const JsonMember* version = nullptr;
        for (const JsonMember& member : root.members) {
            if (member.name != kVersionKey) continue;
            if (version) return FailAt(member.offset, "the key " + Quoted(kVersionKey) + " is given twice");
            version = &member;
        }
        if (!version)
            return Fail(std::string(fileName_) + ": not a recipe: the key " + Quoted(kVersionKey) +
                        " (the recipe's version, 1) is missing");
        const JsonValue& value = version->value;
        if (value.kind != JsonValue::Kind::Number)
            return WrongValue(value, Quoted(kVersionKey), "the number 1 (the recipe's version)");
        if (value.text != kVersion)
            return FailAt(value.offset, "the recipe's version " + Quoted(kVersionKey) + " is " + value.text +
                                            "; this program reads version 1");
        return true;
    }

    bool ReadBoolean(const JsonMember& member, bool& flag) {
        if (member.value.kind != JsonValue::Kind::Boolean)
            return WrongValue(member.value, Quoted(member.name), "true or false");
        flag = member.value.boolean;
        return true;
    }

    bool ReadText(const JsonValue& value, const std::string& what, std::string& text) {
        if (!value.IsString()) return WrongValue(value, what, "text");
        text = value.text;
        return true;
    }

    // The names of an array, each one step of a path: none empty.
    bool ReadNames(const JsonValue& value, const std::string& what, JsonPath& names) {
        names.clear();
        for (size_t i = 0; i < value.items.size(); ++i) {
            const JsonValue& item = value.items[i];
            const std::string itemWhat = what + ", name " + std::to_string(i + 1);
            if (!item.IsString()) return WrongValue(item, itemWhat, "text");
            if (item.text.empty()) return FailAt(item.offset, what + ": a name in the path is empty");
            names.push_back(item.text);
        }
        return true;
    }

    // Text as on the command line ("data.items"), or an array of names ([] the top-level values).
    bool ReadPath(const JsonValue& value, const std::string& what, JsonPath& path) {
        if (value.kind == JsonValue::Kind::Array) return ReadNames(value, what, path);
        if (!value.IsString())
            return WrongValue(value, what, "a path: text such as \"data.items\" or an array of names");
        std::string why;
        if (!ParseJsonPath(value.text, path, why)) return FailAt(value.offset, what + ": " + why);
        return true;
    }

    bool ReadColumn(const JsonValue& value, const std::string& what, std::string& column) {
        if (value.kind == JsonValue::Kind::Array) {
            JsonPath names;
            if (!ReadNames(value, what, names)) return false;
            if (names.empty()) return FailAt(value.offset, what + ": the column name is empty");
            column = PathColumnName(names);
            return true;
        }
        if (!value.IsString()) return WrongValue(value, what, "a column name: text or an array of names");
        if (value.text.empty()) return FailAt(value.offset, what + ": the column name is empty");
        column = value.text;
        return true;
    }

    bool ReadSetting(RecipeKey key, const JsonMember& member, RecipeSettings& settings) {
        CsvOptions& csv = settings.csv;
        const JsonValue& value = member.value;
        const std::string what = Quoted(member.name);
        switch (key) {
        case RecipeKey::Header: return ReadBoolean(member, csv.includeHeader);
        case RecipeKey::Flatten: return ReadBoolean(member, csv.flattenNested);
        case RecipeKey::Bom: return ReadBoolean(member, csv.utf8Bom);
        case RecipeKey::FormulaGuard: return ReadBoolean(member, csv.formulaGuard);
        case RecipeKey::SkipBadLines: return ReadBoolean(member, settings.skipBadLines);
        case RecipeKey::Separator:
            if (!value.IsString()) return WrongValue(value, what, "one character or \"\" (a TAB is \"\\t\")");
            if (CountUtf8Characters(value.text.data(), value.text.data() + value.text.size()) > 1)
                return FailAt(value.offset,
                              what + " must be one character or \"\" (a TAB is \"\\t\"), not " + Quoted(value.text));
            csv.separator = value.text;
            return true;
        case RecipeKey::Encoding:
            if (!value.IsString()) return WrongValue(value, what, "\"utf-8\" or \"ansi\"");
            if (!ReadEncodingName(value.text, settings.encoding))
                return FailAt(value.offset, what + " must be \"utf-8\" or \"ansi\", not " + Quoted(value.text));
            return true;
        case RecipeKey::Join: {
            std::string join;
            if (!ReadText(value, what, join)) return false;
            csv.shape.join = std::move(join);
            return true;
        }
        case RecipeKey::Records: {
            JsonPath path;
            if (!ReadPath(value, what, path)) return false;
            csv.shape.records = std::move(path);
            return true;
        }
        case RecipeKey::Explode:
            if (value.kind != JsonValue::Kind::Array) return WrongValue(value, what, "an array of paths");
            csv.shape.explode.clear();
            for (size_t i = 0; i < value.items.size(); ++i) {
                JsonPath path;
                if (!ReadPath(value.items[i], what + " path " + std::to_string(i + 1), path)) return false;
                csv.shape.explode.push_back(std::move(path));
            }
            return true;
        case RecipeKey::Columns:
            if (value.kind != JsonValue::Kind::Array) return WrongValue(value, what, "an array of column names");
            csv.shape.columns.clear();
            for (size_t i = 0; i < value.items.size(); ++i) {
                std::string column;
                if (!ReadColumn(value.items[i], what + " column " + std::to_string(i + 1), column)) return false;
                csv.shape.columns.push_back(std::move(column));
            }
            return true;
        case RecipeKey::Rename:
            if (value.kind != JsonValue::Kind::Object)
                return WrongValue(value, what, "an object of old and new column names ({\"old\": \"new\"})");
            csv.shape.renames.clear();
            for (const JsonMember& rename : value.members) {
                const std::string renameWhat = what + " of " + Quoted(rename.name);
                if (rename.name.empty()) return FailAt(rename.offset, what + ": a column name is empty");
                std::string header;
                if (!ReadText(rename.value, renameWhat, header)) return false;
                if (header.empty()) return FailAt(rename.value.offset, renameWhat + ": the new name is empty");
                csv.shape.renames.emplace_back(rename.name, std::move(header));
            }
            return true;
        }
        return true;
    }

    std::string_view text_;
    std::string_view fileName_;
    std::string error_;
};

// A path as the recipe writes it: text when the command line's form needs no escape, else an
// array of its names.
std::string PathJson(const JsonPath& path) {
    bool plain = !path.empty();
    for (const std::string& name : path) plain = plain && name.find_first_of(".\\") == std::string::npos;
    if (path.empty() || plain) return JsonQuoted(JsonPathText(path));
    std::string json = "[";
    for (size_t i = 0; i < path.size(); ++i) json += (i ? ", " : "") + JsonQuoted(path[i]);
    return json + "]";
}

const char* BooleanJson(bool flag) { return flag ? "true" : "false"; }

}  // namespace

void CopyRecipeSettings(const RecipeSettings& from, RecipeKeys keys, RecipeSettings& to) {
    auto has = [&](RecipeKey key) { return keys.test(static_cast<size_t>(key)); };
    if (has(RecipeKey::Header)) to.csv.includeHeader = from.csv.includeHeader;
    if (has(RecipeKey::Separator)) to.csv.separator = from.csv.separator;
    if (has(RecipeKey::Encoding)) to.encoding = from.encoding;
    if (has(RecipeKey::Flatten)) to.csv.flattenNested = from.csv.flattenNested;
    if (has(RecipeKey::Bom)) to.csv.utf8Bom = from.csv.utf8Bom;
    if (has(RecipeKey::FormulaGuard)) to.csv.formulaGuard = from.csv.formulaGuard;
    if (has(RecipeKey::SkipBadLines)) to.skipBadLines = from.skipBadLines;
    if (has(RecipeKey::Records)) to.csv.shape.records = from.csv.shape.records;
    if (has(RecipeKey::Explode)) to.csv.shape.explode = from.csv.shape.explode;
    if (has(RecipeKey::Join)) to.csv.shape.join = from.csv.shape.join;
    if (has(RecipeKey::Columns)) to.csv.shape.columns = from.csv.shape.columns;
    if (has(RecipeKey::Rename)) to.csv.shape.renames = from.csv.shape.renames;
}

bool ReadEncodingName(std::string_view name, TextEncoding& encoding) {
    if (name == "utf-8" || name == "utf8" || name == "UTF-8") {
        encoding = TextEncoding::Utf8;
        return true;
    }
    if (name == "ansi" || name == "ANSI") {
        encoding = TextEncoding::Ansi;
        return true;
    }
    return false;
}

bool ReadRecipe(std::string_view text, std::string_view fileName, RecipeSettings& settings, std::string& error) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    RecipeSettings read;
    RecipeReader reader(text, fileName);
    if (!reader.Read(read)) {
        error = reader.Error();
        return false;
    }
    settings = std::move(read);
    return true;
}

bool LoadRecipeFile(const std::string& path, RecipeSettings& settings, std::string& error) {
    std::unique_ptr<ByteSource> source;
    FileResult result = OpenFileSource(path, source);
    std::string text;
    while (!result.Failed()) {
        char buffer[64 * 1024];
        size_t got = 0;
        result = source->Read(buffer, sizeof buffer, got);
        if (result.Failed() || got == 0) break;
        text.append(buffer, got);
        if (text.size() > kMaxRecipeBytes) {
            error = path + ": larger than " + std::to_string(kMaxRecipeBytes >> 20) +
                    " MiB, which no recipe is (a recipe is a small JSON file)";
            return false;
        }
    }
    if (result.Failed()) {
        error = "cannot read the recipe " + path + ": " + result.Reason();
        return false;
    }
    return ReadRecipe(text, path, settings, error);
}

std::string RecipeText(const RecipeSettings& settings) {
    const CsvOptions& csv = settings.csv;
    const TableShape& shape = csv.shape;
    std::vector<std::pair<RecipeKey, std::string>> values = {
        {RecipeKey::Header, BooleanJson(csv.includeHeader)},
        {RecipeKey::Separator, JsonQuoted(csv.separator)},
        {RecipeKey::Encoding, settings.encoding == TextEncoding::Ansi ? "\"ansi\"" : "\"utf-8\""},
        {RecipeKey::Flatten, BooleanJson(csv.flattenNested)},
        {RecipeKey::Bom, BooleanJson(csv.utf8Bom)},
        {RecipeKey::FormulaGuard, BooleanJson(csv.formulaGuard)},
        {RecipeKey::SkipBadLines, BooleanJson(settings.skipBadLines)},
    };
    if (shape.records) values.emplace_back(RecipeKey::Records, PathJson(*shape.records));
    if (!shape.explode.empty()) {
        std::string json = "[";
        for (size_t i = 0; i < shape.explode.size(); ++i) json += (i ? ", " : "") + PathJson(shape.explode[i]);
        values.emplace_back(RecipeKey::Explode, json + "]");
    }
    if (shape.join) values.emplace_back(RecipeKey::Join, JsonQuoted(*shape.join));
    if (!shape.columns.empty()) {
        std::string json = "[";
        for (size_t i = 0; i < shape.columns.size(); ++i) json += (i ? ", " : "") + JsonQuoted(shape.columns[i]);
        values.emplace_back(RecipeKey::Columns, json + "]");
    }
    if (!shape.renames.empty()) {
        std::string json = "{";
        for (size_t i = 0; i < shape.renames.size(); ++i)
            json += (i ? ", " : "") + JsonQuoted(shape.renames[i].first) + ": " + JsonQuoted(shape.renames[i].second);
        values.emplace_back(RecipeKey::Rename, json + "}");
    }
    std::string text = "{\n  " + JsonQuoted(kVersionKey) + ": " + std::string(kVersion);
    for (const auto& [key, json] : values)
        text += ",\n  " + JsonQuoted(kKeyNames[static_cast<size_t>(key)].name) + ": " + json;
    return text + "\n}\n";
}

std::string SaveRecipeFile(const std::string& path, const RecipeSettings& settings) {
    OutputFile file;
    FileResult result = file.Open(path);
    if (!result.Failed()) result = file.Write(RecipeText(settings));
    if (!result.Failed()) result = file.CommitReplacing();
    if (result.Failed()) return "Cannot create file \"" + path + "\". " + result.Reason();
    return {};
}

}  // namespace tabulora
