#include "NodeMemory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define TREE_MEMORY_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TREE_MEMORY_PLAIN_HEAP 1
#endif
#endif

#ifndef TREE_MEMORY_PLAIN_HEAP

namespace {

// Slabs are aligned to their size, so a piece finds its slab by masking its address. Their size is that of
// a large page of the processor: the system may back a slab with one page instead of 512, which makes
// large trees quicker to make, walk and free.
constexpr std::size_t SlabSize = 2 * 1024 * 1024;
constexpr std::uintptr_t SlabMask = ~std::uintptr_t(SlabSize - 1);
constexpr std::size_t Grain = 8;
// Larger pieces (the text of a very long script) that do not fit the rest of the carving slab get a slab
// of their own, so a slab never loses more than this to a piece that does not fit at its end.
constexpr std::size_t LargestPiece = 64 * 1024;
// While a thread carves a slab, its count holds this much more than the pieces in use, so pieces given
// back meanwhile (on any thread) never bring it to zero; the carving thread settles the difference when
// it moves on.
constexpr long Carving = 1L << 40;
// Free slabs kept for reuse per thread (64 MB); beyond that they go back to the heap.
constexpr std::size_t KeptFreeSlabs = 32;

struct alignas(64) TSlab
{
    std::atomic<long> Live; // pieces in use (plus Carving while a thread carves from this slab)
    bool Large;             // one piece of its own, larger than a slab's pieces
    TSlab* NextFree;
};

constexpr std::size_t SlabHeader = sizeof(TSlab);
static_assert(SlabHeader == 64 && LargestPiece + SlabHeader < SlabSize, "a slab holds its largest piece");

// Each thread's carving slab and free slabs. Zero-initialised and trivially destructible, so it stays
// usable while a thread ends, after every destructor that could still free a tree has run.
struct TSlabPool
{
    TSlab* Current;
    char* Next;
    char* End;
    long Taken; // pieces carved from Current
    TSlab* Free;
    std::size_t FreeCount;
    // Pieces given back to one slab, counted here and taken off its count together when a piece of
    // another slab comes back: a tree is freed in the order it was made, slab after slab.
    TSlab* Giving;
    long Given;
    bool Closed; // the thread is ending: slabs that fall free go back to the heap
};

// The pool is reached on every piece: the initial-exec model reads it straight from the thread's block
// (the code is linked into programs, not loaded later as a plug-in).
#if defined(__GNUC__)
__attribute__((tls_model("initial-exec")))
#endif
thread_local TSlabPool Pool;

TSlab* NewSlab(std::size_t bytes)
{
    void* memory = nullptr;
    if (posix_memalign(&memory, SlabSize, bytes) != 0)
        throw std::bad_alloc();
    return static_cast<TSlab*>(memory);
}

void Recycle(TSlab* slab)
{
    TSlabPool& pool = Pool;
    if (pool.Closed || pool.FreeCount >= KeptFreeSlabs) {
        slab->~TSlab();
        std::free(slab);
        return;
    }
    slab->NextFree = pool.Free;
    pool.Free = slab;
    ++pool.FreeCount;
}

// Takes the pieces counted for the slab being given back to off its count.
void SettleGiven(TSlabPool& pool)
{
    TSlab* slab = pool.Giving;
    if (!slab)
        return;
    const long given = pool.Given;
    pool.Giving = nullptr;
    pool.Given = 0;
    if (slab->Live.fetch_sub(given, std::memory_order_acq_rel) == given)
        Recycle(slab);
}

// The carving slab is let go: its count from now on is just the pieces still in use.
void RetireCurrent(TSlabPool& pool)
{
    TSlab* slab = pool.Current;
    if (!slab)
        return;
    pool.Current = nullptr;
    pool.Next = pool.End = nullptr;
    const long settle = Carving - pool.Taken;
    if (slab->Live.fetch_sub(settle, std::memory_order_acq_rel) == settle)
        Recycle(slab);
}

// Ends a thread's pool when the thread ends: the carving slab is settled and the free slabs go back.
struct TPoolCloser
{
    bool Armed = true;
    TPoolCloser() = default;
    TPoolCloser(const TPoolCloser&) = delete;
    TPoolCloser& operator=(const TPoolCloser&) = delete;
    ~TPoolCloser()
    {
        TSlabPool& pool = Pool;
        pool.Closed = true;
        SettleGiven(pool);
        RetireCurrent(pool);
        while (TSlab* slab = pool.Free) {
            pool.Free = slab->NextFree;
            slab->~TSlab();
            std::free(slab);
        }
        pool.FreeCount = 0;
    }
};

thread_local TPoolCloser PoolCloser;

// A thread that takes or gives back pieces settles its slabs when it ends.
void ArmCloser(TSlabPool& pool)
{
    if (!PoolCloser.Armed) // reading it makes the thread's closer, once
        pool.Closed = true;
}

void StartSlab(TSlabPool& pool)
{
    // What was given back so far may free a whole slab for this one.
    SettleGiven(pool);
    RetireCurrent(pool);
    ArmCloser(pool);
    TSlab* slab = pool.Free;
    if (slab) {
        pool.Free = slab->NextFree;
        --pool.FreeCount;
        slab->Live.store(Carving, std::memory_order_relaxed);
    } else {
        slab = new (NewSlab(SlabSize)) TSlab{{Carving}, false, nullptr};
#ifdef MADV_HUGEPAGE
        madvise(slab, SlabSize, MADV_HUGEPAGE); // a hint: without large pages the slab works the same
#endif
    }
    pool.Current = slab;
    pool.Next = reinterpret_cast<char*>(slab) + SlabHeader;
    pool.End = reinterpret_cast<char*>(slab) + SlabSize;
    pool.Taken = 0;
}

// A piece that does not fit the carving slab: a slab of its own, or one from a new slab.
[[gnu::noinline]] void* TakeSlow(std::size_t size)
{
    if (size > LargestPiece) {
        TSlab* slab = new (NewSlab(SlabHeader + size)) TSlab{{1}, true, nullptr};
        return reinterpret_cast<char*>(slab) + SlabHeader;
    }
    TSlabPool& pool = Pool;
    StartSlab(pool);
    void* piece = pool.Next;
    pool.Next += size;
    ++pool.Taken;
    return piece;
}

// A piece of a slab other than the one last given back to, or of a slab of its own.
[[gnu::noinline]] void GiveSlow(TSlab* slab)
{
    if (slab->Large) {
        slab->~TSlab();
        std::free(slab);
        return;
    }
    TSlabPool& pool = Pool;
    SettleGiven(pool);
    ArmCloser(pool);
    pool.Giving = slab;
    pool.Given = 1;
}

} // namespace

void* TakeTreeMemory(std::size_t size)
{
    size = size ? (size + Grain - 1) & ~(Grain - 1) : Grain;
    TSlabPool& pool = Pool;
    if (size > static_cast<std::size_t>(pool.End - pool.Next)) [[unlikely]]
        return TakeSlow(size);
    void* piece = pool.Next;
    pool.Next += size;
    ++pool.Taken;
    return piece;
}

void GiveTreeMemory(void* piece)
{
    if (!piece)
        return;
    auto* slab = reinterpret_cast<TSlab*>(reinterpret_cast<std::uintptr_t>(piece) & SlabMask);
    TSlabPool& pool = Pool;
    if (slab != pool.Giving) [[unlikely]] {
        GiveSlow(slab);
        return;
    }
    ++pool.Given;
}

#else

void* TakeTreeMemory(std::size_t size)
{
    return ::operator new(size);
}

void GiveTreeMemory(void* piece)
{
    ::operator delete(piece);
}

#endif
