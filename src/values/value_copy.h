// The walks over the cells inside a value, the deep copy and value
// equality. None of them recurses per level of a value: a value nested as
// deep as memory holds is copied and compared like a flat one.
//
// A deep copy makes the containers of the outermost value itself, and every
// element that is a plain value, at once; an element that holds further
// cells gets its empty container, which is parked with its source and filled
// before the outermost copy ends. Filling it makes its own elements the same
// way, so the machine stack stays flat whatever the depth. No order of the
// copy is observable: nothing runs but the copy until it ends.
//
// A deep copy keeps the shape of the links inside a value: a reference whose
// target lies inside the copied value points, in the copy, at the copy of
// that target. Every cell copied that a link can reach records its copy in
// copy_partners until the outermost copy ends (copy_depth back to 0); then
// the links inside the copy are re-pointed and the partners forgotten.
// Equality does the same with equality_partners: two values are equal when
// their payloads are and their references point to corresponding places.
// Its walk, which keeps a frame per pair of containers it is inside, is in
// value_equality.cpp.

#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace morvu {

class UNION_DATA;
struct OBJECT_HOLDER;
struct OBJECT_RECORD;
struct SLOT_ARRAY;
class HASH_DATA;
struct ANY2_DATA;

// The cells a deep copy or an equality test in progress has paired others
// with. Only a cell that a link can reach is recorded (a link cell, or a
// cell something links to): any other cell lies on one path through its
// value and is met once, so nobody asks for its partner. Empty while no
// copy or test runs, and usually during one too, when the value holds no
// links; the walks that re-link or check partners are then skipped.
class CELL_PARTNERS {
public:
    UNION_DATA* of(const UNION_DATA* cell) const {
        if (partners.empty()) return nullptr;
        auto found = partners.find(cell);
        return found != partners.end() ? found->second : nullptr;
    }
    void record(const UNION_DATA* cell, UNION_DATA* partner);
    void forget(const UNION_DATA* cell) {
        if (!partners.empty()) partners.erase(cell);
    }
    bool empty() const { return partners.empty(); }
    void clear() { partners.clear(); }

private:
    std::unordered_map<const UNION_DATA*, UNION_DATA*> partners;
};

extern CELL_PARTNERS copy_partners;
extern CELL_PARTNERS equality_partners;

// Nesting depth of the deep copies in progress; only the outermost completes
// the parked copies and re-links.
extern int32_t copy_depth;

// The number of links made so far (link_cell counts them). Every link cell
// inside a new copy is made while the copy runs, so a copy during which the
// count stays put holds no link to re-point, whatever its partners.
extern uint64_t links_made;

// The access mode the links of a deep copy in progress take when they keep
// leading out of the copied value: a variable's unless a LENT_COPY runs.
extern uint8_t copied_link_access;

// For as long as it lives, the deep copies of a value given read-only make
// the links inside them that lead out of the value read-only with its mode:
// the copy is the copier's own, what those links lead to is not.
class LENT_COPY {
public:
    explicit LENT_COPY(uint8_t access) : saved(copied_link_access) { copied_link_access = access; }
    ~LENT_COPY() { copied_link_access = saved; }
    LENT_COPY(const LENT_COPY&) = delete;
    LENT_COPY& operator=(const LENT_COPY&) = delete;

private:
    uint8_t saved;
};

// One deep copy in progress, for as long as it lives; copies started inside
// it are nested ones. The outermost copy ends with finish. When it ends by an
// error instead, what it had parked and paired is forgotten (its partly made
// copy is freed by its owner).
class COPY_SCOPE {
public:
    COPY_SCOPE() : links_before(links_made) { ++copy_depth; }
    ~COPY_SCOPE();
    COPY_SCOPE(const COPY_SCOPE&) = delete;
    COPY_SCOPE& operator=(const COPY_SCOPE&) = delete;

    // At the outermost copy: fills the parked containers, then re-points the
    // links inside cell's value (relink) and forgets every copy partner. A
    // nested copy does nothing here.
    void finish(UNION_DATA* cell, bool relink) const;

private:
    uint64_t links_before;
};

// ---- walks ----

// Appends the cells held directly inside the cell's value, links not
// followed: an object's member cells, array and array2 elements, each hash
// key followed by its value (only the values without with_hash_keys), set
// keys, the values of list and args nodes, both halves of an any2, a graph's
// node values and then its edge values. Nothing for any other value.
void append_child_cells(const UNION_DATA* cell, std::vector<UNION_DATA*>& out, bool with_hash_keys = true);

// Whether the object of the given holder is reachable inside the cell's value
// (links are not followed).
bool contains_cell(const UNION_DATA* cell, const OBJECT_HOLDER* holder);
// Whether cell is the container itself or an element cell reached inside it.
bool is_within_value(const UNION_DATA* container, const UNION_DATA* cell);
// The same, told where cell lies: root is a cell that no value holds (a
// declared variable's own cell). When cell is root or one of the members of
// root's object, the answer needs no walk; otherwise root is ignored.
bool is_within_value(const UNION_DATA* container, const UNION_DATA* cell, const UNION_DATA* root);

// Value equality; top marks the outermost call, which also checks that the
// references inside both values point to corresponding places.
bool is_equal_value(UNION_DATA* a, UNION_DATA* b, bool top);

// The payload comparison behind "==": two cells of the same lowered type,
// links already resolved. Records y as x's equality partner; the elements
// are compared as is_equal_value compares them with top clear.
bool compare_by_type(UNION_DATA* x, UNION_DATA* y);

// Two container payloads of the lowered tag (array, array2, graph, hash,
// set, list, args, any2), compared as compare_by_type compares them; the
// stores' own equality tests.
bool equal_containers(char lowered, void* mine, void* theirs);

// ---- copy ----

// Makes a freshly constructed cell (UNION_DATA(tag_nothing)) a deep copy of src
// with src's tag (an any tag stays an any tag).
void copy_construct_value(UNION_DATA* cell, UNION_DATA* src);

// Copies src's value into an existing cell (fresh: the cell has no payload
// yet).
void copy_value(UNION_DATA* dest, UNION_DATA* src, bool fresh);

// One level of a deep copy, inside a COPY_SCOPE; true when references must
// be re-linked. A nested copy parks the containers it meets (see above).
bool deep_copy_payload(UNION_DATA* dest, UNION_DATA* src);

// At the end of the outermost copy: re-points the links inside cell's value
// at the copies of their targets, then forgets every copy partner.
void finish_copied_references(UNION_DATA* cell);

// A defined list, args, hash or set that is an element of a copy in
// progress (copy_depth above 0), into a fresh any cell as copy_value makes
// it there: the cell gets the empty container, parked to be filled before
// the outermost copy ends. The source is no link, and no link points to it,
// so it needs no partner.
void park_container_copy(UNION_DATA* cell, UNION_DATA* src);

// ---- objects of plain members ----

// A member is plain when it is a defined int, text, bool, char or real that
// is no link and that nothing links to: its copy is its payload copied, and
// no copy of an enclosing value needs it as a partner. The commonest small
// objects hold nothing else, and the functions below spare them the copy
// protocol.
bool is_plain_member(const UNION_DATA* member);
// Whether the cell is a list (no link to one) whose every element is
// plain: a read of it at once reads the same as a read of its copy.
bool holds_plain_values_only(const UNION_DATA* cell);
// Whether member can take the value of a plain member of its tag in place:
// a number, text, bool or char of its own that nothing but its object
// knows (no link, hold, key number, write or walk), so that it is the cell
// a fresh copy would be but for its value.
bool is_overwritable_member(const UNION_DATA* member);
// Whether every member cell of the record is overwritable (a missing
// member cell passes).
bool every_member_overwritable(const OBJECT_RECORD& record);
// Whether every member cell of the record is plain (a missing member cell
// passes).
bool every_member_plain(const OBJECT_RECORD& record);
// Makes dest (its groups dropped first) a record of source's groups, each
// group's member row made by copy_row from source's.
void copy_member_groups(OBJECT_RECORD& dest, const OBJECT_RECORD& source,
                        void (*copy_row)(SLOT_ARRAY& dest, const SLOT_ARRAY& source));
// Writes the plain members of source into record's own member cells, when
// record has source's shape (the same groups of the same types, a member of
// the same tag wherever source has one) and every member of record is
// overwritable (record_checked: the caller knows every member of record
// is, and nothing has touched them since). False, with nothing written,
// otherwise.
bool overwrite_members(OBJECT_RECORD& record, const OBJECT_RECORD& source, bool record_checked = false);

// Makes dest, an empty record, a copy of source in one pass over its member
// rows when every member is plain and a copy is running (copy_depth above
// 0): each new member is exactly the cell the member-by-member copy makes.
// False, with dest untouched, for any other record.
bool copy_plain_members(OBJECT_RECORD& dest, const OBJECT_RECORD& source);

// Plain assignment of the object src into dest (no link; the transfer
// checks passed) by writing src's members into dest's own member cells,
// when dest holds an object of src's type that nothing else can tell from a
// fresh copy: no method runs on it, no link points at any of its members,
// and no member is held, weakly held, numbered as a key, being written or
// walked.
// Every member of both must be plain and of the same tag. False, with
// nothing changed, for any other pair.
bool assign_object_in_place(UNION_DATA* dest, const UNION_DATA* src);

// The same for a list over a list of as many elements, each element of dest
// overwritable and each of src a plain value of the same tag, none with a
// key cell, no walk over dest, outside any copy: the elements take the
// values in place, which the copy could not be told from. False, with
// nothing changed, otherwise.
bool assign_list_in_place(UNION_DATA* dest, const UNION_DATA* src);

// ---- taking a temporary over ----

// Whether the value of a temporary cell (top), moved as it stands, could be
// told apart from a deep copy of it. It cannot when no link leads into it,
// out of it or within it, no cell of it is held, weakly held, numbered as a
// key or being written, no walk pins or remembers a place in any of its
// containers, and it holds only objects, lists, hashes, sets, numbers,
// texts and the values kept in the cell. `cells` receives every cell of the
// value, top first; `keep` (a cell that must stay where it is, or null)
// lying among them refuses too. Only the texts' reading and a hash's cached
// order differ from a copy; settle_taken_cells resets them.
bool moves_as_copy(UNION_DATA* top, std::vector<UNION_DATA*>& cells, const UNION_DATA* keep = nullptr);
// Gives the cells that moves_as_copy passed what a copy of them would start with.
void settle_taken_cells(const std::vector<UNION_DATA*>& cells);

void copy_hash_payload(HASH_DATA* dest, HASH_DATA* src);
// Copies both halves (a reference half stays a reference). Null, or the
// refusal of a half (both halves are then empty).
const char* copy_any2_payload(ANY2_DATA* dest, ANY2_DATA* src);

}  // namespace morvu
