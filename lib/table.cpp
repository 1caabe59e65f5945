// Hash table; see table.h.
#include "table.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// One block of a table's pool; its memory follows the header.
struct TAB_chunk {
    TAB_chunk* prev;  // the block filled before this one
    size_t used;      // bytes handed out
    size_t cap;       // bytes of memory after the header
};

namespace {

constexpr uint64_t HASH_MULT = 257;
constexpr uint64_t HASH_MOD = 35177;
constexpr size_t ALIGN = alignof(std::max_align_t);
constexpr size_t CHUNK_BYTES = 64 * 1024;  // memory of one pool block (more for a big piece)

constexpr size_t round_up(size_t n, size_t align) {
    return (n + align - 1) / align * align;
}
constexpr size_t HEADER_BYTES = round_up(sizeof(TAB_chunk), ALIGN);

// n bytes of pool memory aligned to align (a power of two up to ALIGN), or null when memory
// runs out.
void* pool_alloc(TAB_table* tab, size_t n, size_t align = ALIGN) {
    TAB_chunk* c = tab->pool;
    if (c != nullptr) c->used = round_up(c->used, align);
    if (c == nullptr || c->used > c->cap || c->cap - c->used < n) {
        size_t cap = round_up(n > CHUNK_BYTES ? n : CHUNK_BYTES, ALIGN);
        c = static_cast<TAB_chunk*>(malloc(HEADER_BYTES + cap));
        if (c == nullptr) return nullptr;
        c->prev = tab->pool;
        c->used = 0;
        c->cap = cap;
        tab->pool = c;
    }
    void* p = reinterpret_cast<char*>(c) + HEADER_BYTES + c->used;
    c->used += n;
    return p;
}

char* pool_strdup(TAB_table* tab, const char* s) {
    size_t len = strlen(s);
    auto* copy = static_cast<char*>(pool_alloc(tab, len + 1, 1));
    if (copy != nullptr) memcpy(copy, s, len + 1);
    return copy;
}

// Where one key of a new entry goes: the empty bucket head, or a new slot after the tail.
struct Placement {
    int bucket;
    TAB_entry* slot;  // null for a key left out
    bool is_new;      // the slot is linked after the bucket's tail
};

}  // namespace

int TAB_key(const TAB_table* tab, const char* key) {
    if (tab == nullptr || key == nullptr || tab->tab_size < 1) return -1;
    uint64_t h = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p != '\0'; ++p)
        h = (h * HASH_MULT + *p) % HASH_MOD;
    return static_cast<int>(h % static_cast<uint64_t>(tab->tab_size));
}

int TAB_init(TAB_table* tab) {
    if (tab == nullptr) return 0;
    tab->data_ptr = tab->head_ptr = tab->last_ptr = nullptr;
    tab->num_entry = 0;
    return 0;
}

int TAB_create(TAB_table* tab, int tsize, int dsize, int nkey) {
    if (tab == nullptr) return -1;
    *tab = TAB_table{};
    if (tsize < 1 || dsize < 0 || nkey < 1 || nkey > TAB_MAX_KEYS) return -1;
    for (int k = 0; k < nkey; ++k) {
        tab->table[k] =
            static_cast<TAB_entry*>(calloc(static_cast<size_t>(tsize), sizeof(TAB_entry)));
        tab->tail[k] =
            static_cast<TAB_entry**>(calloc(static_cast<size_t>(tsize), sizeof(TAB_entry*)));
        if (tab->table[k] == nullptr || tab->tail[k] == nullptr) {
            TAB_free(tab);
            return -1;
        }
    }
    tab->tab_size = tsize;
    tab->data_size = dsize;
    tab->numkey = nkey;
    return 0;
}

int TAB_enter_keys(TAB_table* tab, const void* data, const char* const* keys, int nkeys) {
    if (tab == nullptr || tab->tab_size < 1 || keys == nullptr || nkeys != tab->numkey ||
        keys[0] == nullptr || (data == nullptr && tab->data_size > 0))
        return -1;
    // Take every piece of memory first, so that a shortage leaves the table as it was.
    Placement place[TAB_MAX_KEYS] = {};
    char* copies[TAB_MAX_KEYS] = {};
    for (int k = 0; k < nkeys; ++k) {
        if (keys[k] == nullptr) continue;
        place[k].bucket = TAB_key(tab, keys[k]);
        TAB_entry* head = &tab->table[k][place[k].bucket];
        if (head->key == nullptr) {
            place[k].slot = head;
        } else {
            place[k].slot =
                static_cast<TAB_entry*>(pool_alloc(tab, sizeof(TAB_entry), alignof(TAB_entry)));
            place[k].is_new = true;
        }
        copies[k] = pool_strdup(tab, keys[k]);
        if (place[k].slot == nullptr || copies[k] == nullptr) return -1;
    }
    auto* block = static_cast<char*>(pool_alloc(tab, static_cast<size_t>(tab->data_size)));
    if (block == nullptr) return -1;
    if (tab->data_size > 0) memcpy(block, data, static_cast<size_t>(tab->data_size));

    for (int k = 0; k < nkeys; ++k) {
        TAB_entry* slot = place[k].slot;
        if (slot == nullptr) continue;
        *slot = TAB_entry{copies[k], block, nullptr, nullptr};
        TAB_entry*& tail = tab->tail[k][place[k].bucket];
        if (place[k].is_new) tail->link = slot;
        tail = slot;
    }
    TAB_entry* first = place[0].slot;
    if (tab->last_ptr != nullptr)
        tab->last_ptr->next = first;
    else
        tab->head_ptr = first;
    tab->last_ptr = first;
    tab->num_entry++;
    return 0;
}

char* TAB_search(const TAB_table* tab, int keynum, const char* key) {
    if (tab == nullptr || key == nullptr || tab->tab_size < 1 || keynum < 1 || keynum > tab->numkey)
        return nullptr;
    const TAB_entry* slot = &tab->table[keynum - 1][TAB_key(tab, key)];
    for (; slot != nullptr && slot->key != nullptr; slot = slot->link)
        if (strcmp(slot->key, key) == 0) return slot->data;
    return nullptr;
}

int TAB_free(TAB_table* tab) {
    if (tab == nullptr) return 0;
    for (int k = 0; k < TAB_MAX_KEYS; ++k) {
        free(tab->table[k]);
        free(tab->tail[k]);
    }
    for (TAB_chunk* c = tab->pool; c != nullptr;) {
        TAB_chunk* prev = c->prev;
        free(c);
        c = prev;
    }
    *tab = TAB_table{};
    return 0;
}
