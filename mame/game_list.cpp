#include "mame/game_list.h"

#include <cstring>

#include "core/text.h"
#include "mame/command_line.h"

GameEntry game_table[GAME_TABLE_SIZE];

namespace {

// White space as the C library's formatted input knows it.
bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The list's characters, taken from the stream a block at a time. A locked
// getc and ungetc per character made the parse cost twice the list box's
// fill under Wine (13 ms of a 5000-game list at start-up).
class Reader {
public:
    explicit Reader(std::FILE* in) : in_(in) {}
    int get() {
        if (next_ == end_ && !fill()) return EOF;
        return static_cast<unsigned char>(block_[next_++]);
    }
    // Puts back the character the last get() returned, as ungetc would.
    void unget() { --next_; }
    // A get() has met the end of the data, or a read error.
    bool ended() const { return ended_; }
    bool failed() const { return failed_; }

private:
    bool fill() {
        if (ended_) return false;
        next_ = 0;
        end_ = std::fread(block_, 1, sizeof block_, in_);
        if (end_ > 0) return true;
        ended_ = true;
        failed_ = std::ferror(in_) != 0;
        return false;
    }
    std::FILE* in_;
    char block_[16384];
    std::size_t next_ = 0, end_ = 0;
    bool ended_ = false, failed_ = false;
};

// Skips white space; returns the first other character (left unread) or EOF.
int skip_space(Reader& in) {
    int c;
    while ((c = in.get()) != EOF && is_space(c)) {}
    if (c != EOF) in.unget();
    return c;
}

// Takes characters while `keep` holds, storing as many as `field` has room
// for. Returns how many were taken, whether stored or not.
template <typename Keep> std::size_t take_run(Reader& in, char* field, std::size_t size, Keep keep) {
    std::size_t taken = 0;
    int c;
    while ((c = in.get()) != EOF && keep(c)) {
        if (taken + 1 < size) field[taken] = static_cast<char>(c);
        ++taken;
    }
    if (c != EOF) in.unget();
    field[taken + 1 < size ? taken : size - 1] = '\0';
    return taken;
}

enum class Attempt { game, nothing, end };

// One attempt over the shape `name<white space>"description"<white space>`,
// in the way formatted input reads "%s\t\"%[^\"]\"\n": a character that does
// not fit the shape stays unread and begins the next attempt, so a line of
// another shape costs one attempt per word. A description may run over line
// ends; one that the file ends inside is still taken.
Attempt parse_attempt(Reader& in, char (&name)[64], std::size_t& name_length, char (&description)[250]) {
    if (skip_space(in) == EOF) return Attempt::end;
    name_length = take_run(in, name, sizeof name, [](int c) { return !is_space(c); });
    int c = skip_space(in);
    if (c != '"') return c == EOF ? Attempt::end : Attempt::nothing;
    in.get();
    if (take_run(in, description, sizeof description, [](int ch) { return ch != '"'; }) == 0)
        return in.ended() ? Attempt::end : Attempt::nothing;
    in.get();  // the closing quote, unless the file ended before it
    skip_space(in);
    return Attempt::game;
}

}  // namespace

int read_game_list(std::FILE* file, GameEntry (&table)[GAME_TABLE_SIZE], GameStored on_stored, void* context) {
    Reader in(file);
    int count = 0;
    for (;;) {
        char name[64];
        std::size_t name_length = 0;
        char description[250];
        const Attempt attempt = parse_attempt(in, name, name_length, description);
        if (attempt == Attempt::end || in.failed()) break;
        if (attempt == Attempt::nothing) continue;
        // A short name cut to fit would start another game, or none.
        if (name_length >= sizeof table[0].short_name) continue;
        GameEntry& slot = table[count];
        std::memcpy(slot.short_name, name, name_length + 1);
        copy_text(slot.description, description);
        if (on_stored) on_stored(slot, context);
        if (++count == GAME_TABLE_SIZE) return GAME_LIST_FULL;
    }
    return count;
}

int find_game(const char* short_name) {
    for (int i = 0; i < GAME_TABLE_SIZE - 1; ++i)
        if (std::strcmp(game_table[i].short_name, short_name) == 0) return i;
    return -1;
}

bool format_empty_list_message(char* out, std::size_t size, const char* executable, std::uint32_t code,
                               const char* sort_switch) {
    if (is_windows_status(code)) {
        char status[160];
        format_windows_status(status, sizeof status, code);
        return format_text(out, size,
                           "MAME listed no games: %s ended with Windows' status %s.\n\n"
                           "MAME did not run properly: start it once from a command prompt to see why, and check "
                           "that its files are complete.",
                           executable, status);
    }
    return format_text(out, size,
                       "MAME listed no games: %s ended with code %i.\n\n"
                       "Check this version's program line in versions.ini: it must name a MAME build that "
                       "accepts -listfull and %s (see README).",
                       executable, static_cast<int>(code), sort_switch);
}
