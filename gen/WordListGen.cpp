// Writes the spell checker's word list: reads a UTF-8 word list (one word a line) and writes each word
// that 8-bit text can hold, in the same order, front-coded against the word before it: a digit n
// (at most 9) for the characters shared with the previous word's start, then the rest of the word.
// Usage: WordListGen SOURCE TARGET
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

// The word in ISO-8859-1, or false when it holds a character beyond it or is not UTF-8.
bool ToLatin1(const std::string& Utf8, std::string& Latin1)
{
    Latin1.clear();
    for (size_t i = 0; i < Utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(Utf8[i]);
        if (c < 0x80) {
            Latin1 += static_cast<char>(c);
            continue;
        }
        // Two-byte sequences C2 and C3 lead to U+0080..U+00FF; anything longer lies beyond 8 bits.
        if ((c != 0xC2 && c != 0xC3) || i + 1 >= Utf8.size())
            return false;
        const unsigned char next = static_cast<unsigned char>(Utf8[i + 1]);
        if ((next & 0xC0) != 0x80)
            return false;
        Latin1 += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
        ++i;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: WordListGen SOURCE TARGET\n";
        return 2;
    }
    std::ifstream source(argv[1], std::ios::binary);
    if (!source) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 1;
    }
    // Written beside the target and moved over it at the end, so a failed run leaves no half list.
    const std::string target = argv[2];
    const std::string partial = target + ".part";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) {
        std::cerr << "cannot write " << partial << "\n";
        return 1;
    }
    std::string line;
    std::string word;
    std::string previous;
    long written = 0;
    while (std::getline(source, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || !ToLatin1(line, word))
            continue;
        size_t shared = 0;
        while (shared < 9 && shared < word.size() && shared < previous.size() && word[shared] == previous[shared])
            ++shared;
        // A word made only of the previous word's start still needs a line of its own: "3" alone reads
        // back as those three characters.
        out << static_cast<char>('0' + shared) << word.substr(shared) << '\n';
        previous = word;
        ++written;
    }
    out.close();
    if (!out || source.bad() || written == 0) {
        std::remove(partial.c_str());
        std::cerr << "no word list written from " << argv[1] << "\n";
        return 1;
    }
    if (std::rename(partial.c_str(), target.c_str()) != 0) {
        std::remove(partial.c_str());
        std::cerr << "cannot write " << target << "\n";
        return 1;
    }
    return 0;
}
