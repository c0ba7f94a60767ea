#include <gtest/gtest.h>

#include "app/conversion_choices.h"
#include "app/export_options.h"
#include "tests/update/memory_settings.h"

namespace {

using tabulora::ConversionChoice;
using tabulora::ExportOptions;
using tabulora::TextEncoding;

class SameBytes final : public tabulora::AnsiCodec {
public:
    std::string ToUtf8(std::string_view ansi) const override { return std::string(ansi); }
    std::string FromUtf8(std::string_view utf8) const override { return std::string(utf8); }
};

TEST(SeparatorCaption, ShowsATabAsBackslashT) {
    EXPECT_EQ(tabulora::SeparatorCaption("\t"), "\\t");
    EXPECT_EQ(tabulora::SeparatorCaption(";"), ";");
    EXPECT_EQ(tabulora::SeparatorCaption("\\"), "\\");
    EXPECT_EQ(tabulora::SeparatorCaption(" "), " ");
    EXPECT_EQ(tabulora::SeparatorCaption(""), "");
    EXPECT_EQ(tabulora::SeparatorCaption("\u00A7"), "\u00A7");
}

TEST(ToExportSettings, CarriesEveryOption) {
    const SameBytes ansi;
    const ExportOptions defaults;
    const tabulora::ExportSettings plain = ToExportSettings(defaults, ansi);
    EXPECT_TRUE(plain.csv.includeHeader);
    EXPECT_EQ(plain.csv.separator, ",");
    EXPECT_EQ(plain.encoding, TextEncoding::Utf8);
    EXPECT_FALSE(plain.csv.flattenNested);
    EXPECT_FALSE(plain.csv.utf8Bom);
    EXPECT_FALSE(plain.csv.formulaGuard);
    EXPECT_EQ(plain.ansi, &ansi);
    EXPECT_EQ(plain.format, tabulora::OutputFormat::Csv);

    ExportOptions options;
    options.includeHeader = false;
    options.encoding = TextEncoding::Ansi;
    options.separator = "\t";
    options.flattenNested = true;
    options.utf8Bom = true;
    options.formulaGuard = true;
    options.excelWorkbook = true;
    const tabulora::ExportSettings settings = ToExportSettings(options, ansi);
    EXPECT_FALSE(settings.csv.includeHeader);
    EXPECT_EQ(settings.csv.separator, "\t");
    EXPECT_EQ(settings.encoding, TextEncoding::Ansi);
    EXPECT_TRUE(settings.csv.flattenNested);
    EXPECT_TRUE(settings.csv.utf8Bom);  // the engine leaves it out of ANSI
    EXPECT_TRUE(settings.csv.formulaGuard);
    EXPECT_EQ(settings.format, tabulora::OutputFormat::Workbook);
    // The engine's own settings stay as the engine sets them.
    EXPECT_EQ(settings.pieceSize, tabulora::ExportSettings().pieceSize);
    EXPECT_EQ(settings.readAhead, tabulora::ExportSettings().readAhead);
}

TEST(ConversionChoices, ComeFromTheStoreAndGoBackToIt) {
    tabulora::update::testing::MemorySettings store;
    store.values = {{"Settings\\FlattenNested", "1"}, {"Settings\\Utf8Bom", "0"}, {"Settings\\ExcelWorkbook", "1"}};
    store.foreignTyped = {"Settings\\FormulaGuard"};
    ExportOptions options;
    options.formulaGuard = true;
    tabulora::ReadStoredChoices(store, options);
    EXPECT_TRUE(options.flattenNested);
    EXPECT_FALSE(options.utf8Bom);
    EXPECT_FALSE(options.formulaGuard);  // unreadable counts as off
    EXPECT_TRUE(options.excelWorkbook);
    EXPECT_TRUE(IsOn(options, ConversionChoice::FlattenNested));
    tabulora::StoreChoice(store, options, ConversionChoice::ExcelWorkbook, false);
    EXPECT_FALSE(options.excelWorkbook);
    EXPECT_EQ(store.values["Settings\\ExcelWorkbook"], "0");

    tabulora::StoreChoice(store, options, ConversionChoice::Utf8Bom, true);
    EXPECT_TRUE(options.utf8Bom);
    EXPECT_EQ(store.values["Settings\\Utf8Bom"], "1");

    // A refused write leaves the options as they were.
    store.failingWrites.insert("Settings\\FlattenNested");
    const ExportOptions before = options;
    EXPECT_ANY_THROW(tabulora::StoreChoice(store, options, ConversionChoice::FlattenNested, false));
    EXPECT_EQ(options, before);
}

TEST(SaveFileTypes, CsvWithAnyFileOrTheWorkbookFirstThenCsv) {
    using tabulora::OutputFormat;
    ExportOptions options;
    auto shown = [&] {
        std::vector<std::string> types;
        for (const tabulora::SaveFileType& type : tabulora::SaveFileTypes(options))
            types.push_back(type.name + "|" + type.pattern + "|" + type.extension +
                            (type.format == OutputFormat::Workbook ? "|workbook" : "|csv"));
        return types;
    };
    EXPECT_EQ(shown(), (std::vector<std::string>{"CSV File (*.csv)|*.csv|csv|csv", "Any File (*.*)|*.*|csv|csv"}));
    options.excelWorkbook = true;
    EXPECT_EQ(shown(), (std::vector<std::string>{"Excel Workbook (*.xlsx)|*.xlsx|xlsx|workbook",
                                                 "CSV File (*.csv)|*.csv|csv|csv"}));
}

TEST(OfferedSaveName, TakesTheExtensionOfTheTypeOfferedFirst) {
    struct Case {
        const char* last;
        bool workbook;
        const char* offered;
    };
    const Case cases[] = {
        {"", false, ""},
        {"", true, ""},
        {"C:\\out\\data.csv", false, "C:\\out\\data.csv"},
        {"C:\\out\\data.csv", true, "C:\\out\\data.xlsx"},
        {"C:\\out\\data.CSV", true, "C:\\out\\data.xlsx"},
        {"C:\\out\\data.xlsx", false, "C:\\out\\data.csv"},
        {"C:\\out\\data.XLSX", true, "C:\\out\\data.XLSX"},
        {"C:\\out\\data.txt", true, "C:\\out\\data.txt"},  // the user's own extension stays
        {"C:\\out\\data.csv.bak", true, "C:\\out\\data.csv.bak"},
        {"C:\\out\\data", true, "C:\\out\\data"},
    };
    for (const Case& c : cases) {
        ExportOptions options;
        options.excelWorkbook = c.workbook;
        EXPECT_EQ(tabulora::OfferedSaveName(c.last, options), c.offered) << c.last << " " << c.workbook;
    }
}

}  // namespace
