// Restore: the settings text cleaned (pure), both hosts through the fake, and every real
// settings file of the shared corpus.
#include "restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "../lib/test_paths.h"
#include "fake_host.h"
#include "text_pattern.h"

namespace frostpane {
namespace {

TEST(RestoreText, Cases) {
  struct Case {
    const char* what;
    std::string before;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"acrylic members followed by another member",
       R"("profiles": { "defaults": { "useAcrylic": true, "acrylicOpacity": 0.8, "font": {"face": "x"} } })",
       R"("profiles": { "defaults": { "font": {"face": "x"} } })"},
      {"an opacity alone", R"("defaults": { "opacity": 70})", R"("defaults": { })"},
      {"members in every profile",
       "{\"profiles\": {\"defaults\": {\"opacity\": 70},\n\"list\": [\n"
       "  {\"name\": \"a\", \"useAcrylic\": false, \"acrylicOpacity\": 0.5},\n"
       "  {\"opacity\": 40, \"name\": \"b\"},\n"
       "  {\"name\": \"c\",\n   \"opacity\": 3\n  }\n]}}",
       "{\"profiles\": {\"defaults\": {},\n\"list\": [\n"
       "  {\"name\": \"a\"},\n"
       "  {\"name\": \"b\"},\n"
       "  {\"name\": \"c\"\n  }\n]}}"},
      {"profiles not starting with defaults is still cleaned",
       R"({"profiles": {"list": [{"opacity": 20}], "defaults": {"useAcrylic": true}}})",
       R"({"profiles": {"list": [{}], "defaults": {}}})"},
      {"no members: only the commas are tidied", "{\"a\": 1,\n  },\n[1, ,2,],\n{\"b\": 2 , \t,\r\n \"c\": 3}",
       "{\"a\": 1},\n[1,2,],\n{\"b\": 2 ,\r\n \"c\": 3}"},
      {"a commented-out member stays, and so does the line end after its comment",
       "{\n  // \"opacity\": 80,\n  \"font\": 1, \"opacity\": 20\n}", "{\n  // \"opacity\": 80,\n  \"font\": 1\n}"},
      {"a comment ending in a comma before a closing brace keeps the brace out of it",
       "{\n  \"profiles\": [\n    {\n      \"name\": \"cmd\",\n      //\"closeOnExit\": true,\n    }\n  ]\n}",
       "{\n  \"profiles\": [\n    {\n      \"name\": \"cmd\",\n      //\"closeOnExit\": true,\n    }\n  ]\n}"},
      {"commas inside strings are not tidied", R"({"commandline": "a, ,b ,}", "opacity": 9})",
       R"({"commandline": "a, ,b ,}"})"},
      {"value forms the passes do not cover stay", R"({"opacity": -5, "acrylicOpacity": "0.5", "useAcrylic": 1})",
       R"({"opacity": -5, "acrylicOpacity": "0.5", "useAcrylic": 1})"},
      {"byte-order mark and CR LF pass through",
       "\xEF\xBB\xBF{\r\n  \"useAcrylic\": true,\r\n  \"acrylicOpacity\": 0.5,\r\n  \"x\": 1\r\n}\r\n",
       "\xEF\xBB\xBF{\r\n  \"x\": 1\r\n}\r\n"},
      {"a fractional opacity is kept whole, its neighbour untouched", R"({"a": 1, "opacity": 0.5})",
       R"({"a": 1, "opacity": 0.5})"},
      {"empty text", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(restore_settings_text(c.before), c.after) << c.what;
}

using fakehost::cmd_key;
using fakehost::run_command;
using fakehost::settings_path;

// A classic console where set 50 was used before.
void stored_50(FakePlatform& os) {
  fakehost::classic_console(os);
  os.set_dword(L"Console", L"WindowAlpha", 166);
  os.set_dword(cmd_key, L"WindowAlpha", 166);
}

void expect_registry_untouched(const FakePlatform& os) {
  EXPECT_TRUE(os.calls_starting("reg_").empty());
  EXPECT_EQ(os.dword(L"Console", L"WindowAlpha"), 166u);
  EXPECT_EQ(os.dword(cmd_key, L"WindowAlpha"), 166u);
  EXPECT_TRUE(os.calls_starting("get_console_window").empty());
}

TEST(Restore, InsideTerminalCleansTheFile) {
  FakePlatform os;
  stored_50(os);
  fakehost::terminal_session(os,
                             R"({"profiles": { "defaults": { "useAcrylic": true, "acrylicOpacity": 0.8, "a": 1 } }})");
  os.calls.clear();
  EXPECT_EQ(run_command(os, {"restore"}), 0);
  EXPECT_EQ(os.files[settings_path], R"({"profiles": { "defaults": { "a": 1 } }})");
  EXPECT_EQ(os.out, "");
  EXPECT_EQ(os.err, "");
  expect_registry_untouched(os);
}

TEST(Restore, InsideTerminalWritesEvenWhenNothingWasFoundAndNeedsNoAnchor) {
  FakePlatform os;
  fakehost::terminal_session(os, "[1, 2, ]");
  EXPECT_EQ(run_command(os, {"restore"}), 0);
  EXPECT_EQ(os.calls_starting("replace_file").size(), 1u);
  EXPECT_EQ(os.files[settings_path], "[1, 2, ]");
  EXPECT_EQ(os.err, "");
}

TEST(Restore, InsideTerminalMissingOrEmptyFile) {
  for (const auto& settings : {std::optional<std::string>(), std::optional<std::string>("")}) {
    FakePlatform os;
    fakehost::terminal_session(os, settings);
    EXPECT_EQ(run_command(os, {"restore"}), 0);
    EXPECT_EQ(os.err, "错误：无法读取 settings.json，请确认已安装 Windows Terminal。\n");
    EXPECT_TRUE(os.calls_starting("replace_file").empty());
    EXPECT_EQ(os.files.size(), settings ? 1u : 0u) << "nothing is created";
  }
}

TEST(Restore, InsideTerminalUnwritableFileKeepsItsBytes) {
  FakePlatform os;
  stored_50(os);
  const std::string before = R"({"opacity": 50})";
  fakehost::terminal_session(os, before);
  os.read_only_files.insert(settings_path);
  os.calls.clear();
  EXPECT_EQ(run_command(os, {"restore"}), 0);
  EXPECT_EQ(os.err, "错误：无法写入 settings.json。\n");
  EXPECT_EQ(os.files[settings_path], before);
  expect_registry_untouched(os);
}

TEST(Restore, InsideTerminalWithoutLocalAppData) {
  FakePlatform os;
  stored_50(os);
  os.env[L"WT_SESSION"] = L"x";
  EXPECT_THROW(run_command(os, {"restore"}), FakeExit);
  EXPECT_EQ(os.err, "错误：未找到 LOCALAPPDATA 环境变量。\n");
  EXPECT_EQ(os.dword(L"Console", L"WindowAlpha"), 166u);
}

TEST(Restore, ClassicConsoleMakesTheWindowOpaqueAndStores255) {
  struct Case {
    const char* what;
    Platform::WindowHandle window;
    std::int32_t exstyle;
    std::vector<std::string> window_calls;
  };
  const std::vector<Case> cases = {
      {"never layered",
       0x1234,
       0x100,
       {"get_console_window", "get_window_long -20", "set_window_long -20 0x80100", "set_layered 0 255 0x2"}},
      {"already layered: the style is not written",
       0x1234,
       0x80100,
       {"get_console_window", "get_window_long -20", "set_layered 0 255 0x2"}},
      {"no console window: only the registry", 0, 0x100, {"get_console_window"}},
  };
  for (const auto& c : cases) {
    FakePlatform os;
    stored_50(os);
    os.window = c.window;
    os.exstyle = c.exstyle;
    os.files[settings_path] = R"({"opacity": 50})";
    EXPECT_EQ(run_command(os, {"restore"}), 0) << c.what;
    std::vector<std::string> window_calls;
    for (const auto& call : os.calls) {
      if (call.rfind("get_console_window", 0) == 0 || call.rfind("get_window_long", 0) == 0 ||
          call.rfind("set_window_long", 0) == 0 || call.rfind("set_layered", 0) == 0) {
        window_calls.push_back(call);
      }
    }
    EXPECT_EQ(window_calls, c.window_calls) << c.what;
    if (c.window != 0) {
      EXPECT_EQ(os.layered_alpha, std::optional<std::uint8_t>(255)) << c.what;
    }
    EXPECT_EQ(os.dword(L"Console", L"WindowAlpha"), 255u) << c.what;
    EXPECT_EQ(os.dword(cmd_key, L"WindowAlpha"), 255u) << c.what;
    EXPECT_TRUE(os.calls_starting("read_file").empty()) << "the settings file is not read: " << c.what;
    EXPECT_EQ(os.files[settings_path], R"({"opacity": 50})") << c.what;
    EXPECT_EQ(os.out + os.err, "") << c.what;
  }
}

// --- Real settings files written by people outside the project.

// The text without white space, commas and the members restore removes, wherever they stand:
// what must be equal before and after.
std::string skeleton(const std::string& text) {
  static const std::regex member(R"("useAcrylic":(true|false)|"acrylicOpacity":[0-9.]+|"opacity":\d+)");
  std::string squeezed;
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f' && c != ',') squeezed += c;
  }
  return std::regex_replace(squeezed, member, "");
}

// The bytes inside comments and strings, run after run, leaving out the names of the members
// restore removes.
std::string hidden_text(const std::string& text) {
  const auto outside = outside_map(text);
  std::string all, run;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !outside[i]) {
      run += text[i];
      continue;
    }
    if (!run.empty() && run != "useAcrylic\"" && run != "acrylicOpacity\"" && run != "opacity\"") all += run + "\x01";
    run.clear();
  }
  return all;
}

// Where two long texts part, with a little context, instead of both texts whole.
std::string difference(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  if (i == a.size() && i == b.size()) return "";
  const std::size_t from = i < 40 ? 0 : i - 40;
  return "at " + std::to_string(i) + ": \"" + a.substr(from, 80) + "\" vs \"" + b.substr(from, 80) + "\"";
}

TEST(RestoreCorpus, KeepsEveryByteOutsideTheRemovedMembersAndTidiedCommas) {
  const std::string dir = vmtest::shared_path("corpus/wt-settings");
  std::error_code ec;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) GTEST_SKIP() << "corpus/wt-settings is absent";
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  const char* const members[] = {R"("useAcrylic":\s*(true|false))", R"("acrylicOpacity":\s*[0-9.]+)",
                                 R"("opacity":\s*\d+)"};
  for (const auto& path : files) {
    std::string before;
    ASSERT_TRUE(vmtest::read_file(path.string(), before)) << path;
    const std::string after = restore_settings_text(before);
    const std::string name = path.filename().string();
    EXPECT_LE(after.size(), before.size()) << name;
    EXPECT_EQ(difference(skeleton(after), skeleton(before)), "") << name;
    // Only deletions: the result is the original with some bytes left out.
    std::size_t at = 0;
    for (const char c : after) {
      at = before.find(c, at);
      ASSERT_NE(at, std::string::npos) << name;
      ++at;
    }
    for (const char* source : members) {
      EXPECT_FALSE(search_outside(after, Pattern(source)).has_value()) << source << " left in " << name;
    }
    // Comments and string contents stay whole; only the names of removed members go.
    EXPECT_EQ(difference(hidden_text(after), hidden_text(before)), "") << name;
    EXPECT_EQ(difference(restore_settings_text(after), after), "") << "a second restore changes nothing: " << name;
  }
}

}  // namespace
}  // namespace frostpane
