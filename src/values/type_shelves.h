// Shelves of kept items, one per user type, for the few types a program
// makes and drops objects of most often: a shelf is given to a type the
// first time one of its items is kept, and stays that type's while the
// program runs. Items are kept and taken newest first.

#pragma once

namespace morvu {

struct TOKEN;  // a type's definition node

template <typename ITEM, int TYPES, int CAPACITY>
class TYPE_SHELVES {
public:
    struct SHELF {
        const TOKEN* type = nullptr;
        int count = 0;
        ITEM* items[CAPACITY];

        bool full() const { return count == CAPACITY; }
        void put(ITEM* item) { items[count++] = item; }
        ITEM* newest() const { return count != 0 ? items[count - 1] : nullptr; }
        ITEM* take() { return count != 0 ? items[--count] : nullptr; }
    };

    // The type's shelf, taking a free one for a type met first; null when
    // every shelf serves another type.
    SHELF* shelf_for(const TOKEN* type) {
        SHELF* unused = nullptr;
        for (SHELF& shelf : shelves) {
            if (shelf.type == type) return &shelf;
            if (shelf.type == nullptr && unused == nullptr) unused = &shelf;
        }
        if (unused != nullptr) unused->type = type;
        return unused;
    }

    // The type's shelf when it has one; null otherwise.
    SHELF* shelf_of(const TOKEN* type) {
        for (SHELF& shelf : shelves)
            if (shelf.type == type) return &shelf;
        return nullptr;
    }

private:
    SHELF shelves[TYPES];
};

}  // namespace morvu
