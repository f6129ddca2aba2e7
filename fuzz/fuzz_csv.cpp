// Any fields written as a CSV record read back as the same fields.

#include "actions/movie_csv.h"
#include "fuzz/fuzz_util.h"
#include "support/csv_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    const std::vector<std::string> fields = fuzz::Split(fuzz::Text(data, size), '\x1F');
    const std::string record = CsvRecord(fields);
    const auto read = test::ReadCsv(record);
    fuzz::Require(read.size() == 1 && read[0] == fields, "a record reads back as its fields");
    return 0;
}
