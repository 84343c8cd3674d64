#include "fake_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plm {

namespace {

std::string hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(v));
    return text;
}

std::string at(coord c) { return std::to_string(c.x) + "," + std::to_string(c.y); }

std::string rect(const small_rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

}  // namespace

input_record mouse_record_at(std::int16_t x, std::int16_t y, std::uint32_t buttons, std::uint32_t flags) {
    input_record r;
    r.event_type = k_mouse_event;
    r.mouse.position = coord{x, y};
    r.mouse.button_state = buttons;
    r.mouse.event_flags = flags;
    return r;
}

input_record key_record_of(std::uint16_t virtual_key, char ch) {
    input_record r;
    r.event_type = k_key_event;
    r.key.key_down = true;
    r.key.repeat = 1;
    r.key.virtual_key = virtual_key;
    r.key.ch = ch;
    return r;
}

fake_platform::fake_platform() {
    screen.size = coord{80, 25};
    screen.cursor = coord{0, 0};
    screen.window = small_rect{0, 0, 79, 24};
    screen.max_window = coord{80, 25};
}

void fake_platform::feed_bytes(std::string_view bytes, std::uint64_t at_ms) {
    for (char c : bytes) {
        bytes_.push_back({static_cast<unsigned char>(c), at_ms});
    }
    drained_ = false;
}

void fake_platform::feed_record(const input_record& record, std::uint64_t at_ms) {
    records_.push_back({record, at_ms});
}

void fake_platform::feed_getwch(std::initializer_list<std::uint32_t> codes, std::uint64_t at_ms) {
    for (std::uint32_t c : codes) {
        codes_.push_back({c, at_ms});
    }
}

void fake_platform::feed_line(std::string_view line) { lines_.append(line); }

std::vector<std::string> fake_platform::calls_starting(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& c : calls) {
        if (std::string_view(c).substr(0, prefix.size()) == prefix) {
            found.push_back(c);
        }
    }
    return found;
}

std::string fake_platform::handle_name(handle_t h) const {
    if (h == in_handle && h != nullptr) {
        return "in";
    }
    if (h == out_handle && h != nullptr) {
        return "out";
    }
    if (h == nullptr) {
        return "null";
    }
    return handle_is_valid(h) ? "other" : "invalid";
}

void fake_platform::arrive(std::uint64_t at_ms) {
    if (at_ms > now_ms) {
        now_ms = at_ms;
    }
}

void fake_platform::note_empty_read() {
    if (++empty_reads_ > max_empty_reads) {
        throw fake_input_exhausted();
    }
}

handle_t fake_platform::std_input_handle() { return in_handle; }

handle_t fake_platform::std_output_handle() { return out_handle; }

bool fake_platform::is_tty(std_stream s) {
    switch (s) {
        case std_stream::input:
            return tty_in;
        case std_stream::output:
            return tty_out;
        case std_stream::error:
            break;
    }
    return tty_err;
}

bool fake_platform::get_console_mode(handle_t h, std::uint32_t* mode) {
    const std::string name = handle_name(h);
    calls.push_back("get_console_mode " + name);
    if (name == "in" && !fail_get_input_mode) {
        *mode = input_mode;
        return true;
    }
    if (name == "out" && !fail_get_output_mode) {
        *mode = output_mode;
        return true;
    }
    return false;
}

bool fake_platform::set_console_mode(handle_t h, std::uint32_t mode) {
    const std::string name = handle_name(h);
    calls.push_back("set_console_mode " + name + " " + hex(mode));
    if (fail_set_mode) {
        return false;
    }
    if (name == "in") {
        if (refuse_vt_input && (mode & k_enable_virtual_terminal_input) != 0) {
            return false;
        }
        input_mode = mode;
        return true;
    }
    if (name == "out") {
        output_mode = mode;
        return true;
    }
    return false;
}

byte_read fake_platform::read_byte(handle_t h, unsigned char* byte) {
    calls.push_back("read_byte " + handle_name(h));
    if (bytes_.empty()) {
        note_empty_read();
        drained_ = true;
        return close_when_drained ? byte_read::none : byte_read::failed;
    }
    arrive(bytes_.front().at_ms);
    *byte = bytes_.front().value;
    bytes_.pop_front();
    empty_reads_ = 0;
    return byte_read::ok;
}

bool fake_platform::peek_console_input(handle_t h, input_record* record, std::uint32_t* count) {
    calls.push_back("peek_console_input " + handle_name(h));
    *count = 0;
    if (records_.empty() || records_.front().at_ms > now_ms) {
        // A record that has not arrived yet is not in the queue.
        return true;
    }
    *record = records_.front().value;
    *count = 1;
    return true;
}

bool fake_platform::read_console_input(handle_t h, input_record* record, std::uint32_t* count) {
    calls.push_back("read_console_input " + handle_name(h));
    *count = 0;
    if (records_.empty()) {
        note_empty_read();
        return false;
    }
    arrive(records_.front().at_ms);
    *record = records_.front().value;
    records_.pop_front();
    *count = 1;
    return true;
}

std::uint32_t fake_platform::getwch() {
    calls.push_back("getwch");
    if (codes_.empty()) {
        note_empty_read();
        return 0xFFFF;
    }
    arrive(codes_.front().at_ms);
    const std::uint32_t c = codes_.front().value;
    codes_.pop_front();
    empty_reads_ = 0;
    return c;
}

bool fake_platform::input_closed() {
    return close_when_drained && drained_ && bytes_.empty() && codes_.empty() && records_.empty();
}

bool fake_platform::read_line(char* buffer, int size) {
    calls.push_back("read_line");
    if (lines_.empty() || buffer == nullptr || size <= 0) {
        return false;
    }
    // fgets: up to size - 1 bytes, stopping after a line feed.
    std::size_t n = 0;
    const std::size_t limit = static_cast<std::size_t>(size - 1);
    while (n < limit && n < lines_.size()) {
        ++n;
        if (lines_[n - 1] == '\n') {
            break;
        }
    }
    std::memcpy(buffer, lines_.data(), n);
    buffer[n] = '\0';
    lines_.erase(0, n);
    return true;
}

bool fake_platform::get_screen_buffer_info(handle_t h, screen_info* info) {
    calls.push_back("get_screen_buffer_info " + handle_name(h));
    if (!screen_ok || handle_name(h) != "out") {
        return false;
    }
    *info = screen;
    return true;
}

bool fake_platform::set_screen_buffer_size(handle_t h, coord size) {
    calls.push_back("set_buffer_size " + std::to_string(size.x) + "x" + std::to_string(size.y));
    if (handle_name(h) != "out") {
        return false;
    }
    screen.size = size;
    return true;
}

bool fake_platform::set_cursor_position(handle_t h, coord pos) {
    calls.push_back("set_cursor " + at(pos));
    if (handle_name(h) != "out") {
        return false;
    }
    screen.cursor = pos;
    return true;
}

bool fake_platform::set_text_attribute(handle_t h, std::uint16_t attributes) {
    calls.push_back("set_attr " + hex(attributes));
    if (handle_name(h) != "out") {
        return false;
    }
    screen.attributes = attributes;
    return true;
}

bool fake_platform::fill_output_character(handle_t h, char ch, std::uint32_t length, coord start,
                                          std::uint32_t* written) {
    calls.push_back(std::string("fill_char '") + ch + "' " + std::to_string(length) + " @" + at(start));
    if (written != nullptr) {
        *written = handle_name(h) == "out" ? length : 0;
    }
    return handle_name(h) == "out";
}

bool fake_platform::fill_output_attribute(handle_t h, std::uint16_t attributes, std::uint32_t length, coord start,
                                          std::uint32_t* written) {
    calls.push_back("fill_attr " + hex(attributes) + " " + std::to_string(length) + " @" + at(start));
    if (written != nullptr) {
        *written = handle_name(h) == "out" ? length : 0;
    }
    return handle_name(h) == "out";
}

bool fake_platform::scroll_screen_buffer(handle_t h, const small_rect& scroll, const small_rect* clip, coord dest,
                                         char fill_ch, std::uint16_t fill_attributes) {
    std::string text = "scroll " + rect(scroll) + " -> " + at(dest) + " fill '" + fill_ch + "' " + hex(fill_attributes);
    if (clip != nullptr) {
        text += " clip " + rect(*clip);
    }
    calls.push_back(text);
    return handle_name(h) == "out";
}

void fake_platform::write_output(std::string_view bytes) {
    calls.push_back("write " + std::string(bytes));
    out.append(bytes);
}

void fake_platform::flush_output() { calls.push_back("flush"); }

void fake_platform::write_error(std::string_view bytes) {
    calls.push_back("write_error " + std::string(bytes));
    err.append(bytes);
}

bool fake_platform::append_to_file(const char* path, std::string_view bytes) {
    calls.push_back(std::string("append ") + path);
    if (unopenable_files.count(path) != 0) {
        return false;
    }
    files[path].append(bytes);
    return true;
}

bool fake_platform::get_env(const char* name, std::string* value) {
    const auto it = env.find(name);
    if (it == env.end()) {
        value->clear();
        return false;
    }
    *value = it->second;
    return true;
}

bool fake_platform::set_env(const char* name, const char* value) {
    calls.push_back(std::string("set_env ") + name + "=" + value);
    env[name] = value;
    return true;
}

std::uint32_t fake_platform::tick_count() { return static_cast<std::uint32_t>(now_ms); }

std::uint64_t fake_platform::tick_count64() { return now_ms; }

double fake_platform::clock_seconds() { return static_cast<double>(now_ms) / 1000.0; }

void fake_platform::sleep_ms(std::uint32_t ms) {
    calls.push_back("sleep " + std::to_string(ms));
    now_ms += ms;
}

bool fake_platform::set_ctrl_handler(bool add) {
    calls.push_back(add ? "set_ctrl_handler add" : "set_ctrl_handler remove");
    ctrl_handler_installed = add;
    return true;
}

void* fake_platform::allocate(std::size_t size) {
    if (++allocations == fail_allocation_at) {
        return nullptr;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) {
        live_blocks.insert(block);
    }
    return block;
}

void* fake_platform::reallocate(void* block, std::size_t size) {
    if (++allocations == fail_allocation_at) {
        return nullptr;
    }
    void* moved = std::realloc(block, size == 0 ? 1 : size);
    if (moved != nullptr) {
        live_blocks.erase(block);
        live_blocks.insert(moved);
    }
    return moved;
}

void fake_platform::release(void* block) {
    if (block != nullptr) {
        live_blocks.erase(block);
    }
    std::free(block);
}

}  // namespace plm
