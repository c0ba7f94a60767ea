#include "ui/preview_choices.h"

#include <algorithm>
#include <map>
#include <utility>

#include "engine/grouped_number.h"
#include "engine/path_name.h"

namespace tabulora::ui {
namespace {

bool HasColumn(const std::vector<ColumnChoice>& columns, std::string_view name) {
    return std::any_of(columns.begin(), columns.end(), [&](const ColumnChoice& c) { return c.name == name; });
}

std::string Plural(uint64_t count, const char* one, const char* many) {
    return GroupedNumber(count) + " " + (count == 1 ? one : many);
}

// What the inputs are called in a status text: the first one's file name, and how many follow.
std::string InputsText(const std::vector<std::string>& inputNames) {
    if (inputNames.empty()) return "no files";
    std::string text = FileNameOf(inputNames.front());
    if (inputNames.size() > 1) text += " and " + Plural(inputNames.size() - 1, "more file", "more files");
    return text;
}

}  // namespace

PreviewChoices DefaultChoices(const ExportSettings& settings) {
    PreviewChoices choices;
    choices.arrays = settings.csv.flattenNested ? ArraysChoice::AsJsonText : ArraysChoice::LeaveOut;
    return choices;
}

bool ChangesConversion(const PreviewChoices& choices, const ExportSettings& settings) {
    const PreviewChoices plain = DefaultChoices(settings);
    return choices.records != plain.records || choices.arrays != plain.arrays || choices.columnsChosen ||
           std::any_of(choices.columns.begin(), choices.columns.end(),
                       [](const ColumnChoice& c) { return c.header != c.name; });
}

TableShape ShapeOf(const PreviewChoices& choices, bool withColumns) {
    TableShape shape;
    shape.records = choices.records;
    if (choices.arrays == ArraysChoice::Joined) shape.join = choices.joinSeparator;
    if (choices.arrays == ArraysChoice::OnePerElement) shape.explode = choices.explode;
    if (!withColumns) return shape;
    for (const ColumnChoice& column : choices.columns) {
        if (choices.columnsChosen && !column.included) continue;
        if (choices.columnsChosen) shape.columns.push_back(column.name);
        if (column.header != column.name) shape.renames.emplace_back(column.name, column.header);
    }
    return shape;
}

ExportSettings WithChoices(ExportSettings settings, const PreviewChoices& choices, bool withColumns) {
    settings.csv.shape = ShapeOf(choices, withColumns);
    settings.csv.flattenNested = choices.arrays == ArraysChoice::AsJsonText;
    return settings;
}

std::string ChoicesError(const PreviewChoices& choices) {
    if (choices.arrays == ArraysChoice::Joined && choices.joinSeparator.empty())
        return "Type the text that joins the values of an array.";
    {
        const bool any = std::any_of(choices.columns.begin(), choices.columns.end(),
                                     [](const ColumnChoice& c) { return c.included; });
        if (choices.columnsChosen && !any && !choices.columns.empty()) return "Check at least one column.";
        std::map<std::string, int> headers;
        for (const ColumnChoice& column : choices.columns) {
            if (choices.columnsChosen && !column.included) continue;
            if (++headers[column.header] == 2) return "Two columns are named \"" + column.header + "\".";
        }
    }
    return ShapeError(ShapeOf(choices));
}

void MergeColumns(PreviewChoices& choices, const std::vector<std::string>& found) {
    std::vector<ColumnChoice> merged;
    for (const ColumnChoice& column : choices.columns) {
        const bool present = std::find(found.begin(), found.end(), column.name) != found.end();
        const bool wanted = (choices.columnsChosen && column.included) || column.header != column.name;
        if (present || wanted) merged.push_back(column);
    }
    for (const std::string& name : found) {
        if (!HasColumn(merged, name)) merged.push_back({name, name, !choices.columnsChosen, std::nullopt});
    }
    choices.columns = std::move(merged);
}

void MergeColumnScan(PreviewChoices& choices, const std::vector<std::pair<std::string, ColumnStats>>& scanned) {
    std::vector<std::string> names;
    for (const auto& [name, stats] : scanned) names.push_back(name);
    MergeColumns(choices, names);
    for (ColumnChoice& column : choices.columns) {
        column.filled.reset();
        for (const auto& [name, stats] : scanned) {
            if (name == column.name) column.filled = stats.filled;
        }
        if (!column.filled) column.filled = 0;  // the whole inputs hold none of it
    }
}

size_t MoveColumn(PreviewChoices& choices, size_t index, int step) {
    if (index >= choices.columns.size()) return index;
    if ((step < 0 && index == 0) || (step > 0 && index + 1 >= choices.columns.size())) return index;
    const size_t target = step < 0 ? index - 1 : index + 1;
    std::swap(choices.columns[index], choices.columns[target]);
    choices.columnsChosen = true;
    return target;
}

void RenameColumn(PreviewChoices& choices, size_t index, std::string_view header) {
    if (index >= choices.columns.size()) return;
    ColumnChoice& column = choices.columns[index];
    column.header = header.empty() ? column.name : std::string(header);
}

void IncludeColumn(PreviewChoices& choices, size_t index, bool included) {
    if (index >= choices.columns.size() || choices.columns[index].included == included) return;
    choices.columns[index].included = included;
    choices.columnsChosen = true;
}

std::string PathDisplayText(const JsonPath& path) { return path.empty() ? "(top level)" : JsonPathText(path); }

std::string RecordsEntryText(const RecordsChoice& choice) {
    return PathDisplayText(choice.path) + " \u2014 " + Plural(choice.objects, "record", "records");
}

std::string FilledText(uint64_t filled) { return Plural(filled, "value", "values"); }

std::string LeftOutNote(const std::vector<RecordsChoice>& leftOut) {
    std::string note;
    for (const RecordsChoice& records : leftOut) {
        const std::string path = PathDisplayText(records.path);
        if (!note.empty()) note += "; ";
        note += Plural(records.objects, "record", "records") + " under " + path +
                (records.objects == 1 ? " is" : " are") + " not in the table: choose " + path + " in Records";
    }
    return note;
}

std::string PreviewStatusText(const TablePreview& preview, const std::vector<std::string>& inputNames) {
    if (preview.rows.empty())
        return preview.textLimitReached ? "No row ends in the first " + GroupedNumber(kPreviewTextLimit >> 20) +
                                              " MiB of " + InputsText(inputNames)
                                        : "No rows";
    if (preview.complete)
        return preview.rows.size() == 1 ? "The only row" : "All " + GroupedNumber(preview.rows.size()) + " rows";
    const std::string first = preview.rows.size() == 1 ? "First row"
                                                       : "First " + GroupedNumber(preview.rows.size()) + " rows";
    return first + " of " + InputsText(inputNames);
}

std::string ShapedStatusText(const PreviewChoices& choices, const std::vector<std::string>& inputNames) {
    const std::string of = choices.records ? PathDisplayText(*choices.records) : InputsText(inputNames);
    if (!choices.columnsChosen) return "Shaped: every column of " + of;
    const auto included = static_cast<uint64_t>(std::count_if(choices.columns.begin(), choices.columns.end(),
                                                              [](const ColumnChoice& c) { return c.included; }));
    return "Shaped: " + Plural(included, "column", "columns") + " of " + of;
}

RecipeSettings RecipeOf(const ExportSettings& settings, const PreviewChoices& choices) {
    RecipeSettings recipe;
    recipe.csv = WithChoices(settings, choices).csv;
    recipe.csv.shape.countColumns = false;
    recipe.encoding = settings.encoding;
    recipe.skipBadLines = settings.skipBadLines;
    return recipe;
}

PreviewChoices ChoicesOfRecipe(const RecipeSettings& recipe) {
    const TableShape& shape = recipe.csv.shape;
    PreviewChoices choices;
    choices.records = shape.records;
    if (!shape.explode.empty()) {
        choices.arrays = ArraysChoice::OnePerElement;
        choices.explode = shape.explode;
    } else if (shape.join) {
        choices.arrays = ArraysChoice::Joined;
    } else if (recipe.csv.flattenNested) {
        choices.arrays = ArraysChoice::AsJsonText;
    }
    if (shape.join) choices.joinSeparator = *shape.join;
    if (shape.ChoosesColumns()) {
        choices.columnsChosen = !shape.columns.empty();
        for (const std::string& name : shape.columns) choices.columns.push_back({name, name, true, std::nullopt});
        for (const auto& rename : shape.renames) {
            const std::string& name = rename.first;
            const std::string& header = rename.second;
            auto column = std::find_if(choices.columns.begin(), choices.columns.end(),
                                       [&](const ColumnChoice& c) { return c.name == name; });
            if (column != choices.columns.end()) {
                column->header = header;
            } else if (shape.columns.empty()) {
                // Renames without a column list keep every column: the others come with the reading.
                choices.columns.push_back({name, header, true, std::nullopt});
            }
        }
    }
    return choices;
}

}  // namespace tabulora::ui
