// The online table's verdict on a run sent, as one line over the title
// screen. It is drawn into a copy of the picture on its way to the screen,
// never into the game's own window: the game's state, its dumps and its
// recordings know nothing of it, and a replay verifies the same with or
// without it. It sits between the game and the window's display and events,
// below whatever records the game's inputs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "i18n/Catalog.h"
#include "online/Sender.h"
#include "platform/Platform.h"
#include "render/Surface.h"

namespace molfo {
class TextRenderer;
}

namespace molfo::online {

// The line in the game's words, put into the player's language.
std::string VerdictLine(const Verdict& v, const i18n::Catalog& words);

class TitleNote final : public Display, public Events {
public:
    // `take`: the latest verdict not yet shown, if any.
    using Taker = std::function<std::optional<Verdict>()>;
    TitleNote(Display& display, Events& events, Taker take);
    ~TitleNote() override;
    TitleNote(const TitleNote&) = delete;
    TitleNote& operator=(const TitleNote&) = delete;

    // The words the line is drawn in; must outlive the note or the next call.
    void SetWords(const i18n::Catalog* words) { words_ = words; }
    // Told of every scene: a visit to the title shows a verdict that came
    // before it, or while it shows; leaving the title takes the line away.
    void OnScene(bool title);
    // The line showing now; empty for none.
    const std::string& Shown() const { return line_; }

    void Present(const Surface& window, std::span<const Rect> changed) override;
    // Handed on while no line shows or waits to be wiped.
    bool PresentMoved(const Surface& window, std::span<const Rect> changed, const Move& move) override;
    // The line is drawn on a copy of the picture, so the game's own lives
    // in the display's buffer only while no line shows or waits to be wiped.
    PixelBuffer Lodging(int w, int h, Lodger& lodger) override;
    bool Pump() override;

private:
    void TakeVerdict();

    Display& display_;
    Events& events_;
    Taker take_;
    const i18n::Catalog* words_ = nullptr;
    std::unique_ptr<TextRenderer> text_;
    bool onTitle_ = false;
    bool erase_ = false;  // the line was shown: the next picture covers it
    std::string line_;
    const Surface* last_ = nullptr;  // the game's window as last presented
    // That window when it came moved: its playfield's rows may lie turned.
    Straightener* turned_ = nullptr;
    Surface shown_;                  // that window with the line on it
    std::vector<Rect> rects_;        // the rectangles handed on with a frame
};

}  // namespace molfo::online
