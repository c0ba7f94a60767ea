#include "engine/table_shape.h"

#include <algorithm>

namespace tabulora {
namespace {

bool StartsWith(const JsonPath& path, const JsonPath& prefix) {
    return prefix.size() <= path.size() && std::equal(prefix.begin(), prefix.end(), path.begin());
}

}  // namespace

bool ParseJsonPath(std::string_view text, JsonPath& path, std::string& error) {
    path.clear();
    if (text == ".") return true;  // the top-level values themselves
    std::string name;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            if (i + 1 == text.size() || (text[i + 1] != '.' && text[i + 1] != '\\')) {
                error = "a backslash must come before \".\" or \"\\\"";
                return false;
            }
            name += text[++i];
        } else if (c == '.') {
            if (name.empty()) break;
            path.push_back(std::move(name));
            name.clear();
        } else {
            name += c;
        }
    }
    if (name.empty()) {
        error = text.empty() ? "the path is empty" : "a name in the path is empty";
        return false;
    }
    path.push_back(std::move(name));
    return true;
}

std::string JsonPathText(const JsonPath& path) {
    if (path.empty()) return ".";
    std::string text;
    for (const std::string& name : path) {
        if (!text.empty()) text += '.';
        for (const char c : name) {
            if (c == '.' || c == '\\') text += '\\';
            text += c;
        }
    }
    return text;
}

std::string PathColumnName(const JsonPath& path) {
    std::string name;
    for (const std::string& step : path) {
        if (!name.empty()) name += '.';
        name += step;
    }
    return name;
}

std::string ShapeError(const TableShape& shape) {
    if (!shape.explode.empty() && !shape.records)
        return "--explode needs --records: the arrays are exploded inside each record";
    for (size_t i = 0; i < shape.explode.size(); ++i) {
        for (size_t j = 0; j < shape.explode.size(); ++j) {
            if (i == j || !StartsWith(shape.explode[j], shape.explode[i])) continue;
            if (shape.explode[i] == shape.explode[j])
                return "--explode " + JsonPathText(shape.explode[i]) + " is given twice";
            return "--explode " + JsonPathText(shape.explode[j]) + " lies inside --explode " +
                   JsonPathText(shape.explode[i]);
        }
    }
    for (size_t i = 0; i < shape.renames.size(); ++i) {
        for (size_t j = i + 1; j < shape.renames.size(); ++j) {
            if (shape.renames[i].first == shape.renames[j].first)
                return "the column " + shape.renames[i].first + " is renamed twice";
            if (shape.renames[i].second == shape.renames[j].second)
                return "two columns are renamed " + shape.renames[i].second;
        }
    }
    return {};
}

}  // namespace tabulora
