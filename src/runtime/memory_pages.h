// Committing fresh memory in bulk. A large block that is about to be
// written all over (a slab of a growing pool, the index of a large hash)
// would otherwise take one page fault per page as it is first touched,
// and a page first read and then written takes two. Asking the system to
// commit the pages at once costs a fraction of that.

#pragma once

#include <cstddef>

namespace morvu {

// Commits the whole pages inside [start, start + bytes) for writing; a
// system that cannot leaves them to be committed on first touch, as usual.
void commit_pages(void* start, std::size_t bytes) noexcept;

}  // namespace morvu
