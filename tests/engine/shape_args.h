#pragma once
// The shaping choices as tabulora-cli takes them, and the paginated answer that the shaping tests
// read, shared by the tests of the shaped table and of its preview.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/conversion.h"
#include "engine/table_shape.h"

namespace tabulora {

// A paginated API answer: the records under "data", the page's facts under "meta".
inline const std::string kPage = R"({"meta":{"page":1,"of":3},
 "data":[
  {"id":1,"name":"Ann","tags":["x","y"],"items":[{"sku":"p","qty":2},{"sku":"q","qty":1}],"address":{"city":"Oslo"}},
  {"id":2,"name":"Bob","tags":[],"items":[],"note":"late"}
 ]})";

inline JsonPath Path(const std::string& text) {
    JsonPath path;
    std::string error;
    EXPECT_TRUE(ParseJsonPath(text, path, error)) << text << ": " << error;
    return path;
}

// --records, repeatable --explode, --join, --columns (split at ","), repeatable --rename OLD=NEW,
// --flatten, --formula-guard, --separator and --no-header.
struct ShapeArgs {
    std::string records = {};
    std::vector<std::string> explode = {};
    std::string join = {};  // "" for none
    std::vector<std::string> columns = {};
    std::vector<std::pair<std::string, std::string>> renames = {};
    bool flatten = false;
    bool formulaGuard = false;
    std::string separator = ",";
    bool header = true;
};

inline CsvOptions Shaped(const ShapeArgs& args) {
    CsvOptions options;
    options.flattenNested = args.flatten;
    options.formulaGuard = args.formulaGuard;
    options.separator = args.separator;
    options.includeHeader = args.header;
    if (!args.records.empty()) options.shape.records = Path(args.records);
    for (const std::string& path : args.explode) options.shape.explode.push_back(Path(path));
    if (!args.join.empty()) options.shape.join = args.join;
    options.shape.columns = args.columns;
    options.shape.renames = args.renames;
    return options;
}

}  // namespace tabulora
