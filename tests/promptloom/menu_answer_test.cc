#include "menu_answer.h"

#include <gtest/gtest.h>

namespace plm {
namespace {

TEST(MenuAnswer, ReadsLikeA32BitStrtoul) {
    struct {
        const char* answer;
        std::uint32_t value;
    } cases[] = {
        {"3", 3},
        {"", 0},
        {"0", 0},
        {"abc", 0},
        {" 2", 2},
        {"\t\r\n 2", 2},
        {"2x", 2},
        {"+2", 2},
        {"-1", 0xFFFFFFFFu},
        {"-2", 0xFFFFFFFEu},
        {"- 2", 0},
        {"+-2", 0},
        {"4294967295", 0xFFFFFFFFu},
        {"4294967296", 0xFFFFFFFFu},  // beyond 32 bits saturates, never wraps to 0
        {"4294967298", 0xFFFFFFFFu},  // ... nor to 2
        {"-4294967295", 1},           // in range: negated modulo 2^32
        {"-4294967296", 0xFFFFFFFFu},
        {"99999999999999999999999", 0xFFFFFFFFu},
        {"0012", 12},
        {"0x10", 0},
        {"\xef\xbc\x93", 0},  // a full-width digit is not a digit
    };
    for (const auto& c : cases) EXPECT_EQ(parse_menu_answer(c.answer), c.value) << '"' << c.answer << '"';
}

}  // namespace
}  // namespace plm
