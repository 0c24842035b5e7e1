#include "NodeMemory.h"

#include "HtmlAttributes.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <malloc.h>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

struct TPiece
{
    unsigned char* Bytes;
    std::size_t Size;
    unsigned char Mark;
};

TPiece Take(std::size_t size, unsigned char mark)
{
    auto* bytes = static_cast<unsigned char*>(TakeTreeMemory(size));
    std::memset(bytes, mark, size);
    return {bytes, size, mark};
}

// The piece still holds what was written into it: nothing else was handed the same memory meanwhile.
bool Intact(const TPiece& piece)
{
    for (std::size_t i = 0; i < piece.Size; ++i)
        if (piece.Bytes[i] != piece.Mark)
            return false;
    return true;
}

// Mostly the sizes of nodes, attribute lists and short texts, now and then a long text, past the size
// that slabs hold, and from time to time all given back at once as a freed tree is.
TEST(NodeMemory, PiecesInUseNeverShareMemory)
{
    std::mt19937 random(7);
    std::vector<TPiece> live;
    int broken = 0;
    int misaligned = 0;
    for (int step = 0; step < 200000; ++step) {
        const unsigned roll = random() % 1000;
        if (roll < 600 || live.empty()) {
            const std::size_t size = roll < 590 ? 1 + random() % 120 : roll < 598 ? 1000 + random() % 60000 : 70000 + random() % 200000;
            live.push_back(Take(size, static_cast<unsigned char>(random())));
            misaligned += reinterpret_cast<std::uintptr_t>(live.back().Bytes) % 8 != 0;
        } else if (roll < 999) {
            const std::size_t at = random() % live.size();
            broken += !Intact(live[at]);
            GiveTreeMemory(live[at].Bytes);
            live[at] = live.back();
            live.pop_back();
        } else {
            for (const TPiece& piece : live) {
                broken += !Intact(piece);
                GiveTreeMemory(piece.Bytes);
            }
            live.clear();
        }
    }
    for (const TPiece& piece : live) {
        broken += !Intact(piece);
        GiveTreeMemory(piece.Bytes);
    }
    GiveTreeMemory(nullptr);
    EXPECT_EQ(broken, 0);
    EXPECT_EQ(misaligned, 0);
}

// One thread takes pieces while another gives them back, at the same time: a slab is reused only once
// every piece of it has come back, whichever thread gives it.
TEST(NodeMemory, PiecesGivenBackOnAnotherThreadWhileThisOneTakes)
{
    std::mutex lock;
    std::deque<TPiece> handed;
    std::atomic<bool> done{false};
    std::atomic<int> broken{0};
    std::thread giver([&] {
        for (;;) {
            TPiece piece{};
            {
                std::lock_guard<std::mutex> guard(lock);
                if (!handed.empty()) {
                    piece = handed.front();
                    handed.pop_front();
                }
            }
            if (piece.Bytes) {
                broken += !Intact(piece);
                GiveTreeMemory(piece.Bytes);
            } else if (done) {
                return;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::vector<TPiece> kept;
    for (int i = 0; i < 300000; ++i) {
        TPiece piece = Take(16 + i % 200, static_cast<unsigned char>(i));
        if (i % 10 == 0) {
            kept.push_back(piece); // some stay with this thread, spread over the slabs
        } else {
            std::lock_guard<std::mutex> guard(lock);
            handed.push_back(piece);
        }
    }
    done = true;
    giver.join();
    for (const TPiece& piece : kept) {
        broken += !Intact(piece);
        GiveTreeMemory(piece.Bytes);
    }
    EXPECT_EQ(broken, 0);
}

// Trees made and freed one after another reuse the same memory: an editor that opens and saves a page
// many times does not grow.
TEST(NodeMemory, TreesMadeAndFreedAgainAndAgainReuseTheirMemory)
{
    auto inUse = [] {
        const struct mallinfo2 info = mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    auto build = [] {
        auto root = std::make_unique<THtmlRoot>();
        THtmlTag* body = root->GetBody();
        for (int i = 0; i < 40000; ++i) {
            auto* p = new THtmlTag(TAG_P);
            p->SetAttribute(ATTR_CLASS, QStringLiteral("paragraph"));
            p->Add(new THtmlText(TAG_TEXT, QStringLiteral("some words of text in a paragraph")));
            body->Add(p);
        }
        return root;
    };
    build().reset();
    const std::size_t first = inUse();
    for (int round = 0; round < 30; ++round)
        build().reset();
    // A few slabs of slack, far below the 30 trees (over 200 MB) that memory never reused would hold.
    EXPECT_LE(inUse(), first + 16 * 1024 * 1024);
}

} // namespace
