// The settings page's workings, apart from how it is drawn (render/) and
// how keys reach it (the window's back end): a list of rows, the one chosen,
// and what each key does to it. The page's own keys are fixed (arrows,
// Enter, Escape, the d-pad, A and B) so that a player can always find their
// way back, whatever they bound.
#pragma once

#include <string>
#include <vector>

#include "settings/Settings.h"

namespace molfo::settings {

class Page {
public:
    enum class Nav { Up, Down, Left, Right, Activate, Clear, Leave };
    // The columns of an action's row.
    enum Column { Key1, Key2, Pad1, Pad2, kColumns };

    // Whether the page has the online table's rows, whether to send and the
    // table's address (the window's page; the browser's asks after a game).
    enum class Online { None, SendAndServer };

    // `languages`: the codes the player may choose ("ja" first), without "auto".
    Page(Settings start, std::vector<std::string> languages, Online online = Online::None);

    void Press(Nav n);
    // Waiting for the key or pad button to bind to the chosen cell.
    bool Capturing() const { return capturing_; }
    bool CapturingPad() const { return capturing_ && column_ >= Pad1; }
    // The key (by name) or pad button pressed while capturing. A reserved
    // key is refused and the page keeps waiting.
    void Captured(const std::string& name);
    void CancelCapture() { capturing_ = false; }
    // Enter on the server's row asks for an address typed in: the back end
    // opens a text box with TextStart() in it and hands back what was
    // typed, or cancels. An address the game cannot use keeps the old one.
    bool WantsText() const { return wantsText_; }
    const std::string& TextStart() const { return s_.server; }
    void TextEntered(const std::string& typed);
    void CancelText() { wantsText_ = false; }

    bool Done() const { return done_; }
    const Settings& Current() const { return s_; }
    // True once after each change, for the back end to apply it at once.
    bool TakeChanged();

    // What the view draws. Labels and words are the game's own (Japanese),
    // translated as they are drawn; key names are shown as they are.
    struct Line {
        std::string label;
        std::vector<std::string> cells;
        bool isAction = false;
        int volume = -1;  // 0..100 on the volume rows, for a bar
        bool text = false;  // a value typed in (an address), not one chosen with the arrows
    };
    std::vector<Line> Lines() const;
    int Row() const { return row_; }
    int Col() const { return column_; }
    // One line saying what the keys do on the chosen row, or while capturing.
    std::string Hint() const;
    // A word about the file the page saves to (it cannot be read, say), in
    // the game's words; empty for none.
    void SetNote(std::string note) { note_ = std::move(note); }
    const std::string& Note() const { return note_; }

    static constexpr int kVolumeStep = 10;

private:
    enum class Kind { Music, Effect, Scale, Fullscreen, Language, Send, Server, Action, Defaults, Done };
    int Rows() const { return static_cast<int>(rows_.size()); }
    Kind KindOf(int row) const { return rows_[static_cast<size_t>(row)]; }
    int ActionOf(int row) const { return row - firstAction_; }
    bool IsAction(int row) const { return KindOf(row) == Kind::Action; }
    void Change(int step);
    std::string& Cell(int action, int column);

    Settings s_;
    std::vector<std::string> languages_;  // "auto" first
    std::vector<Kind> rows_;
    int firstAction_ = 0;
    int row_ = 0;
    int column_ = Key1;
    bool capturing_ = false;
    bool wantsText_ = false;
    bool badText_ = false;  // the address typed last could not be used
    bool done_ = false;
    bool changed_ = false;
    std::string note_;
};

}  // namespace molfo::settings
