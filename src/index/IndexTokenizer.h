#pragma once

struct sqlite3;

namespace korvi {

// Name of the index's tokenizer in a connection's full-text tables.
inline constexpr const char* kIndexTokenizer = "korvi";

// Makes the tokenizer of IndexTokenize known to a connection; false when the
// library has no full-text search.
bool RegisterIndexTokenizer(sqlite3* db);

}  // namespace korvi
