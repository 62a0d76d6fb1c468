// Character positions in code page 932 text: the walk, the index kept with a
// long text, and the index as the text grows, each against a plain count.
#include "values/characters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "values/text.h"
#include "values/values.h"

namespace Quorin {
namespace {

using namespace std::string_literals;

// Where each character of `text` starts, and last where the text ends as packing
// keeps it, by the plain rule: a lead byte takes the byte after it along, and a
// lead byte before a NUL byte is the last character.
std::vector<std::size_t> PlainStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    std::size_t i = 0;
    while (i < text.size()) {
        starts.push_back(i);
        if (!IsLeadByte(static_cast<unsigned char>(text[i])) || i + 1 == text.size()) {
            ++i;
        } else if (text[i + 1] == '\0') {
            ++i;
            break;
        } else {
            i += 2;
        }
    }
    starts.push_back(i);
    return starts;
}

// Every position, in the order given, then the counts, then positions past the end.
void ExpectPositions(TCharacterPositions positions, const std::string& text,
                     const std::vector<std::size_t>& order) {
    const std::vector<std::size_t> starts = PlainStarts(text);
    const std::size_t count = starts.size() - 1;
    for (const std::size_t k : order) {
        if (k > count) continue;
        std::size_t offset = 12345;
        ASSERT_TRUE(positions.Find(k, offset)) << k;
        ASSERT_EQ(offset, starts[k]) << k;
    }
    EXPECT_EQ(positions.Count(), count);
    EXPECT_EQ(positions.End(), starts.back());
    std::size_t offset = 12345;
    EXPECT_FALSE(positions.Find(count + 1, offset));
    EXPECT_FALSE(positions.Find(count + 1000, offset));
    EXPECT_EQ(offset, 12345u);
}

// Texts of the bytes that matter: ASCII, NUL, lead bytes at both ends of their
// ranges, half-width katakana, bytes from 0x80 up that are no lead byte, and
// double-byte characters whose second byte is itself in the lead range.
std::string MixedText(std::mt19937& random, std::size_t length) {
    static const std::string pieces[] = {
        "a",    "Z",    " ",    "\x82\xA0", "\x88\x9F", "\x81\x81", "\xE0\xFC", "\xFC\x40",
        "\xB1", "\xDF", "\xA1", "\x80",     "\xFD",     "\xFF",     "\x9F\x9F", "\x95\x5C",
    };
    std::string text;
    while (text.size() < length) text += pieces[random() % std::size(pieces)];
    return text;
}

std::vector<std::size_t> Sequence(std::size_t count) {
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k <= count + 2; ++k) order.push_back(k);
    return order;
}

std::vector<std::size_t> Shuffled(std::mt19937& random, std::size_t count) {
    std::vector<std::size_t> order = Sequence(count);
    std::shuffle(order.begin(), order.end(), random);
    return order;
}

TEST(CharacterPositionsTest, WalkAndIndexAgreeWithAPlainCount) {
    std::mt19937 random(15);
    std::vector<std::string> texts = {"",
                                      "a",
                                      "\x82",
                                      "ab\x82",
                                      "a\x82\0bc"s,
                                      "\0a"s,
                                      "\x82\0"s,
                                      "\xB1\xDF\xA1",
                                      "\x95\x5C\x81@\xE0\x40\xFC\xFC"};
    for (const std::size_t length : {7, 300, 5000}) {
        for (int i = 0; i < 4; ++i) texts.push_back(MixedText(random, length));
    }
    // Long texts that end in a lone lead byte, or stop early at a lead byte and a NUL.
    texts.push_back(MixedText(random, 3000) + "\x82");
    texts.push_back(MixedText(random, 3000) + "\x82\0"s + MixedText(random, 500));
    texts.push_back(std::string(4000, 'x') + "\x82\xA0");
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.size());
        const std::size_t count = PlainStarts(text).size() - 1;
        ASSERT_EQ(count, PackCharacters(text).size());
        ExpectPositions(TCharacterPositions(text, nullptr), text, Sequence(count));
        ExpectPositions(TCharacterPositions(text, nullptr), text, Shuffled(random, count));
        // A fresh index asked in order, one asked at random, and one that learnt
        // the whole text first.
        TCharacterIndex ordered, scattered, counted;
        ExpectPositions(TCharacterPositions(text, &ordered), text, Sequence(count));
        ExpectPositions(TCharacterPositions(text, &scattered), text, Shuffled(random, count));
        EXPECT_EQ(counted.Count(text), count);
        ExpectPositions(TCharacterPositions(text, &counted), text, Shuffled(random, count));
        ExpectPositions(TCharacterPositions(text, &counted), text, {count, count / 2, 0, 1});
    }
}

TEST(CharacterPositionsTest, AnIndexFollowsItsTextAsItGrows) {
    std::mt19937 random(1501);
    // Pieces that end in a lead byte, so that the next one starts with its trail
    // byte, and a lead byte with a NUL that ends what packing keeps.
    const std::string tails[] = {"\x82", "\xA0",         "\x82\xA0", "abc",
                                 "\x88", "\x9F\x9F\x9F", "\0"s,      "\xB1"};
    for (int round = 0; round < 40; ++round) {
        std::string text = MixedText(random, random() % 600);
        TCharacterIndex index;
        for (int append = 0; append < 60; ++append) {
            const std::size_t oldSize = text.size();
            std::string tail = tails[random() % std::size(tails)];
            if (random() % 4 == 0) tail += MixedText(random, random() % 300);
            text += tail;
            index.Appended(text, oldSize);
            const std::size_t count = PlainStarts(text).size() - 1;
            SCOPED_TRACE(::testing::Message() << "round " << round << ", append " << append);
            // Sometimes only the end is asked, sometimes a few places, sometimes all.
            switch (random() % 3) {
                case 0:
                    ExpectPositions(TCharacterPositions(text, &index), text, {count});
                    break;
                case 1:
                    ExpectPositions(TCharacterPositions(text, &index), text,
                                    {random() % (count + 1), count, random() % (count + 1)});
                    break;
                default:
                    ExpectPositions(TCharacterPositions(text, &index), text,
                                    Shuffled(random, count));
                    break;
            }
        }
    }
}

TEST(CharacterPositionsTest, StringsKeepAnIndexOnlyWhenLongAndLetItGoWithTheText) {
    const std::string aiu = "\x82\xA0\x82\xA2\x82\xA4";
    TExValue shortText(aiu);
    EXPECT_EQ(shortText.CharacterIndex(), nullptr);
    std::string longBytes;
    for (int i = 0; i < 1000; ++i) longBytes += aiu;
    TExValue longText(longBytes);
    TCharacterIndex* index = longText.CharacterIndex();
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(longText.CharacterIndex(), index);  // kept, not made again
    EXPECT_EQ(TExValue(5).CharacterIndex(), nullptr);

    // A copy shares the text and its index; an index given back with its text
    // is handed out again clean.
    TExValue copy(longText);
    EXPECT_EQ(copy.CharacterIndex(), index);
    EXPECT_EQ(index->Count(longBytes), 3000u);
    longText.Reset();
    copy.Reset();
    TExValue other(std::string(3000, 'a') + aiu);
    TCharacterIndex* again = other.CharacterIndex();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Count(*other.StringPointer()), 3003u);
}

// Strings of several threads take indexes from one table: each must get one of
// its own, and have it back clean after another string gave it up.
TEST(CharacterPositionsTest, ThreadsTakeAndGiveBackIndexesSafely) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            std::vector<TExValue> kept;
            for (int i = 0; i < 300; ++i) {
                const std::size_t count = 1100 + static_cast<std::size_t>(t * 300 + i);
                std::string text;
                for (std::size_t k = 0; k < count; ++k) text += "\x82\xA0";
                kept.emplace_back(text);
                if (kept.back().CharacterIndex()->Count(text) != count) ++wrong;
                if (i % 3 == 0) kept.erase(kept.begin() + i / 5);
            }
            for (const TExValue& value : kept) {
                const std::string& text = *value.StringPointer();
                if (value.CharacterIndex()->Count(text) != text.size() / 2) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace Quorin
