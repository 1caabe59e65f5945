// Hash table: fixed-size data blocks found again by up to four text keys each (the station
// store keys every station by identifier and by WMO number).
//
// Each key has its own array of tab_size bucket heads; further slots of a bucket are chained
// through link, in the order they were entered, so a key text entered twice is found as
// its first entry. Entries are also listed in insertion order (head_ptr, next on the slots of
// the first key). The table owns copies of the keys and of the data; slots, key copies and
// data blocks come from a pool released whole by TAB_free. A table lives until TAB_free;
// TAB_create on a table that holds memory must follow a TAB_free (or a zero-filled table).
//
// Results: 0 for success, -1 for a refusal (bad arguments) or when memory runs out.
#ifndef JOX_TABLE_H
#define JOX_TABLE_H

#include <type_traits>

inline constexpr int TAB_MAX_KEYS = 4;

typedef struct TAB_entry {
    char* key;               // copy of the key text; null in an empty bucket head
    char* data;              // the entry's data block, shared by all its keys
    struct TAB_entry* link;  // next slot of the same bucket
    struct TAB_entry* next;  // next entry in insertion order (slots of the first key)
} TAB_entry;

struct TAB_chunk;  // one block of the table's memory pool

typedef struct {
    int tab_size;                    // buckets per key
    int data_size;                   // bytes of each data block
    TAB_entry* data_ptr;             // iteration cursor (insertion order)
    TAB_entry* head_ptr;             // first entry in insertion order
    TAB_entry* last_ptr;             // last entry in insertion order
    int num_entry;                   // number of entries
    int numkey;                      // keys per entry, 1 to TAB_MAX_KEYS
    TAB_entry* table[TAB_MAX_KEYS];  // per key: tab_size bucket heads
    TAB_entry** tail[TAB_MAX_KEYS];  // per key: last slot of each bucket
    TAB_chunk* pool;                 // memory of slots, key copies and data blocks
} TAB_table;

// The bucket of key: h = (h * 257 + c) mod 35177 over the key's bytes, then h mod
// tab_size. -1 for a null table or key or a table without buckets.
int TAB_key(const TAB_table* tab, const char* key);
// Clears the iteration cursor, the insertion list and the entry count. Returns 0.
int TAB_init(TAB_table* tab);
// Sets up an empty table of tsize buckets per key for data blocks of dsize bytes and nkey
// keys. -1 when an argument is out of range (tsize < 1, dsize < 0, nkey outside 1..4) or
// memory runs out (the table is then left empty).
int TAB_create(TAB_table* tab, int tsize, int dsize, int nkey);
// Enters a copy of data_size bytes of data under the keys (exactly numkey of them). A null
// key leaves the entry out of that key's index (not allowed for the first key, which keeps
// the insertion order). -1, with the table unchanged, for a wrong key count, a missing
// first key, a table not created, or when memory runs out.
int TAB_enter_keys(TAB_table* tab, const void* data, const char* const* keys, int nkeys);
// TAB_enter(tab, data, key1, ..., keyN): TAB_enter_keys with the keys as a list.
template <typename... Keys>
int TAB_enter(TAB_table* tab, const void* data, Keys... keys) {
    static_assert(sizeof...(Keys) >= 1 && sizeof...(Keys) <= TAB_MAX_KEYS,
                  "a table entry has one to four keys");
    static_assert((std::is_convertible_v<Keys, const char*> && ...), "keys are texts");
    const char* list[] = {keys...};
    return TAB_enter_keys(tab, data, list, static_cast<int>(sizeof...(Keys)));
}
// The data block of the first entry entered with key as key number keynum (1 to numkey);
// null when there is none, the table has no buckets or keynum is out of range.
char* TAB_search(const TAB_table* tab, int keynum, const char* key);
// Releases all memory of the table and leaves it zero-filled. Returns 0.
int TAB_free(TAB_table* tab);

#endif
