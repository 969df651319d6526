#include "index/IndexTokenizer.h"

#include <sqlite3.h>

#include <exception>

#include "index/IndexTokens.h"

namespace korvi {

namespace {

// The tokenizer has no state of its own; any non-null handle will do.
int Create(void*, const char**, int, Fts5Tokenizer** out) {
    static int handle = 0;
    *out = reinterpret_cast<Fts5Tokenizer*>(&handle);
    return SQLITE_OK;
}

void Delete(Fts5Tokenizer*) {}

int Tokenize(Fts5Tokenizer*, void* ctx, int flags, const char* text, int size,
             int (*token)(void*, int, const char*, int, int, int)) {
    if (size <= 0) return SQLITE_OK;
    // A query holds tokens already made by IndexWordTokens, one per string.
    if (flags & FTS5_TOKENIZE_QUERY) return token(ctx, 0, text, size, 0, size);
    int rc = SQLITE_OK;
    try {
        // With detail=none offsets are not kept: the whole text is given.
        IndexTokenize(QByteArrayView(text, size), [&](QByteArrayView t) {
            if (rc == SQLITE_OK) rc = token(ctx, 0, t.data(), int(t.size()), 0, size);
        });
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
    return rc;
}

fts5_api* Fts5Api(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &stmt, nullptr) != SQLITE_OK) return nullptr;
    sqlite3_bind_pointer(stmt, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    return api;
}

}  // namespace

bool RegisterIndexTokenizer(sqlite3* db) {
    fts5_api* api = Fts5Api(db);
    if (!api) return false;
    fts5_tokenizer t{Create, Delete, Tokenize};
    return api->xCreateTokenizer(api, kIndexTokenizer, nullptr, &t, nullptr) == SQLITE_OK;
}

}  // namespace korvi
