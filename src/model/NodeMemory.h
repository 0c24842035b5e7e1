#pragma once
// Memory for document trees: the nodes, the attribute lists of elements and the characters of texts.
//
// A page of a few megabytes makes hundreds of thousands of these pieces, one after another as it is read,
// and lets them all go together. They are carved one after another from large slabs, so a tree lies in
// memory in the order it is read and walked, and each slab counts the pieces still in use: a slab whose
// last piece comes back is whole again and is used for the next tree. Taking a piece is a pointer bump;
// giving one back lowers its slab's count. Space freed inside a slab that is still in use is not reused
// before the whole slab is free, which suits trees: they are made and freed mostly whole.
//
// Pieces may be given back on any thread. Builds with a memory checker take every piece from the heap
// instead, so the checker sees each one.
#include <cstddef>

// A piece of at least size bytes, aligned for any node; never null (raises std::bad_alloc).
void* TakeTreeMemory(std::size_t size);
// Gives back a piece from TakeTreeMemory; null is ignored.
void GiveTreeMemory(void* piece);
