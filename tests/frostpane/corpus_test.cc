// The edits over real settings files written by people outside the project
// (the shared corpus beside the repository; skipped when it is absent).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "regex_oracle.h"
#include "terminal_settings.h"
#include "test_paths.h"

namespace frostpane {
namespace {

struct CorpusFile {
    std::string name;
    std::string text;
};

std::vector<CorpusFile> corpus() {
    std::vector<CorpusFile> files;
    const std::string dir = vmtest::shared_path("corpus/wt-settings");
    std::error_code error;
    if (dir.empty() || !std::filesystem::is_directory(dir, error)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        if (entry.path().extension() != ".json") continue;
        CorpusFile file{entry.path().filename().string(), {}};
        if (vmtest::read_file(entry.path().string(), file.text)) files.push_back(std::move(file));
    }
    return files;
}

// The text without what the edits may remove: white space and commas outside
// comments and strings, and transparency members (a name followed directly by
// the colon and a value of the forms the passes know). Two texts that agree
// here differ only in those bytes.
std::string kept_bytes(const std::string& text) {
    const auto outside = oracle::outside(text);
    std::string squeezed;
    std::vector<bool> squeezed_outside;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (outside[i] && std::string(" \t\r\n\v\f,").find(text[i]) != std::string::npos) continue;
        squeezed += text[i];
        squeezed_outside.push_back(outside[i]);
    }
    struct Member {
        std::string name;
        std::string value_bytes;  // the value is a run of these, or one of the words
    };
    const Member members[] = {
        {"\"useAcrylic\":", ""}, {"\"acrylicOpacity\":", "0123456789."}, {"\"opacity\":", "0123456789"}};
    std::string result;
    for (std::size_t i = 0; i < squeezed.size();) {
        std::size_t skip = 0;
        for (const auto& m : members) {
            if (!squeezed_outside[i] || squeezed.compare(i, m.name.size(), m.name) != 0) continue;
            std::size_t j = i + m.name.size();
            if (m.value_bytes.empty()) {
                for (const std::string word : {"true", "false"}) {
                    if (squeezed.compare(j, word.size(), word) == 0) {
                        j += word.size();
                        break;
                    }
                }
            } else {
                while (j < squeezed.size() && m.value_bytes.find(squeezed[j]) != std::string::npos) ++j;
            }
            if (j > i + m.name.size()) skip = j - i;
        }
        if (skip > 0) {
            i += skip;
        } else {
            result += squeezed[i++];
        }
    }
    return result;
}

bool has_member(const std::string& text) {
    return oracle::search(text, patterns::acrylic_value) || oracle::search(text, patterns::acrylic_opacity_value) ||
           oracle::search(text, patterns::opacity_value);
}

TEST(Corpus, SetInvariants) {
    const auto files = corpus();
    if (files.empty()) GTEST_SKIP() << "settings corpus not found beside the repository";
    for (const auto& file : files) {
        const bool has_anchor = oracle::search(file.text, patterns::defaults_anchor).has_value();
        for (const int opacity : {1, 45, 80, 100}) {
            for (const bool acrylic : {true, false}) {
                const std::string what = file.name + (acrylic ? " acrylic " : " opacity ") + std::to_string(opacity);
                const auto edited =
                    acrylic ? edit_for_acrylic(file.text, opacity) : edit_for_opacity(file.text, opacity);
                ASSERT_EQ(edited.has_value(), has_anchor) << what;
                if (!edited) continue;
                const std::string members = acrylic ? acrylic_members(opacity) : opacity_members(opacity);
                // The members stand right after the defaults brace.
                const auto anchor = search_outside(*edited, compiled(patterns::defaults_anchor));
                ASSERT_TRUE(anchor.has_value()) << what;
                ASSERT_EQ(edited->compare(anchor->end, members.size() + 1, " " + members), 0) << what;
                std::string without = *edited;
                without.erase(anchor->end, members.size() + 1);
                if (without.compare(anchor->end, 2, ", ") == 0) without.erase(anchor->end, 2);
                EXPECT_FALSE(has_member(without)) << what;
                EXPECT_EQ(kept_bytes(without), kept_bytes(file.text)) << what;
                // the regex reference takes seconds on the largest file
                if (opacity == 45 && file.text.size() < 100000) {
                    const auto reference = acrylic ? oracle::edit_for_acrylic(file.text, opacity)
                                                   : oracle::edit_for_opacity(file.text, opacity);
                    EXPECT_EQ(edited, reference) << what;
                }
            }
        }
    }
}

TEST(Corpus, RemovalPassesKeepEverythingElse) {
    const auto files = corpus();
    if (files.empty()) GTEST_SKIP() << "settings corpus not found beside the repository";
    for (const auto& file : files) {
        const std::string cleaned = tidy_commas(strip_opacity_keys(strip_acrylic_keys(file.text)));
        EXPECT_FALSE(has_member(cleaned)) << file.name;
        EXPECT_EQ(kept_bytes(cleaned), kept_bytes(file.text)) << file.name;
        if (file.text.size() >= 100000) continue;  // the regex reference is slow there
        EXPECT_EQ(cleaned, oracle::tidy_commas(oracle::strip_opacity_keys(oracle::strip_acrylic_keys(file.text))))
            << file.name;
    }
}

}  // namespace
}  // namespace frostpane
