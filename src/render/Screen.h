// The game window: its picture surfaces, sprite sheets and HUD controls.
// The game writes captions, widths and visibility; Compose draws the rest
// of the whole window into one CPU buffer, which a back end shows as it is.
//
// Who writes which picture: the visible playfield (MainPic1) is a view of
// the part of `window` inside the playfield's edge, so whatever is drawn
// on it is already in the window's picture, with no copy between them. The
// frame's drawing step draws it from the background (HaikeiPic) and the
// sheets (KyaraPic); the title and the end screens put their pictures on
// it. Compose writes the rest of `window`, which the display reads (see
// ShowFrame) and the modal screens copy to draw on.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/GameState.h"
#include "i18n/Catalog.h"
#include "platform/Platform.h"
#include "render/KeyHelp.h"
#include "render/Palette.h"
#include "render/SpriteBounds.h"
#include "render/Surface.h"
#include "render/Text.h"

namespace molfo {

inline constexpr int kWindowWidth = 645;
inline constexpr int kWindowHeight = 573;
inline constexpr int kPlayfieldX = 8;   // where MainPic1 sits in the window
inline constexpr int kPlayfieldY = 64;
inline constexpr int kPlayfield = 500;  // the playfield is 500 x 500
// MainPic1's control is smaller than its picture: 505 x 497 outside a
// 2-pixel sunken edge, so the window shows 501 x 493 of it.
inline constexpr int kPlayfieldOuterW = 505;
inline constexpr int kPlayfieldOuterH = 497;
inline constexpr int kPlayfieldBorder = 2;

inline constexpr uint32_t kNavy = Rgb(0, 0, 128);
// The back buffer clears to white, so the XOR flash shows the background
// fully inverted.
inline constexpr uint32_t kBackBufferClear = Rgb(255, 255, 255);
// Lines printed on the playfield: white with a dark outline reads over any
// picture.
inline constexpr uint32_t kPrintColour = Rgb(255, 255, 255);
inline constexpr uint32_t kPrintOutline = Rgb(0, 0, 0);
inline constexpr int kPrintMargin = 4;
inline constexpr int kPrintPx = 12;

struct Label {
    int x = 0, y = 0, w = 0, h = 0;
    std::string caption;
    bool visible = true;
    bool opaque = false;        // false: drawn over the form's colour
    uint32_t back = kFormGrey;
    uint32_t fore = Rgb(0, 0, 0);
    int fontPx = 12;

    bool operator==(const Label&) const = default;
};

// Objects drawn on the playfield by one frame: slots Molfo..ItemLast.
inline constexpr int kMostSprites = slot::ItemLast - slot::Molfo + 1;

// The playfield as the last frame drew it, so that a frame whose background
// stayed where it was redraws only where objects were and are.
struct DrawnPlayfield {
    bool valid = false;
    int haikeiY = 0;
    bool inverted = false;
    uint64_t haikeiVersion = 0;  // HaikeiPic's and MainPic1's versions then
    uint64_t picVersion = 0;
    std::array<Rect, kMostSprites> sprites{};
    std::array<int16_t, kMostSprites> slots{};  // the slot each was drawn for
    size_t count = 0;
    // This frame's wipes of the last frame's objects, and their slots.
    std::array<Rect, kMostSprites> wiped{};
    std::array<int16_t, kMostSprites> wipedSlots{};
    // Room for a frame's changes: the objects it erased and drew, and the
    // top row when the background moved.
    std::array<Rect, 2 * kMostSprites + 1> changed{};
};

struct ImageControl {
    int x = 0, y = 0, w = 33, h = 33;
    int icon = 0;  // usable item kind 1..6 whose icon it shows; 0 none

    bool operator==(const ImageControl&) const = default;
};

class Screen final : public Lodger, public Straightener {
public:
    Screen();
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Surfaces.
    // The visible playfield: the 500 x 493 rows of its picture the window
    // shows, a view of `window` (see ResetLayout).
    Surface MainPic1;
    Surface MainPic2;  // the ending's second copy of its picture
    Surface HaikeiPic;  // background picture
    std::array<Surface, 5> KyaraPic;  // sprite sheets by KyaraPicNo
    std::array<Surface, 7> ItemIcon;  // icons of usable items 1..6 (30 x 30)

    // Controls, as laid out in the window.
    Label Label2, Label1, HPL, MainSPL, Label4, GoukeiTenL;
    Label BossL, BossKyoriL, BossHpL2, BossHpL, MS;
    std::array<Label, 7> SPL;  // 1..6
    ImageControl MainItemPic;
    std::array<ImageControl, 7> ItemPic;  // 1..6

    // Kept by the frame's drawing step between frames.
    DrawnPlayfield drawnPlayfield;
    // What of each sprite cell the drawing step stamps.
    SpriteBounds spriteBounds;

    // Text printed on MainPic1 (the ranking's ten lines): the next line's top.
    int CurrentY = 0;

    // The whole window as last composed, the playfield's picture in it.
    Surface window;

    // Puts every control back at its rectangle with its initial caption and
    // colours, sizes the surfaces and places MainPic1 in the window.
    void ResetLayout();

    // Loads the window's own pictures (sheets 0, 1, 3, 4 and the item icons)
    // from the data folder. Returns the names of files that failed. The
    // icons are drawn again at the next compose; otherwise the window only
    // redraws a control when it changes.
    std::string LoadOwnPictures(const std::string& dataDir);

    // Prints one line of text onto MainPic1 at the current text position.
    void PrintLine(const std::string& text);

    // Draws into `window` what changed since the last compose: the controls
    // that changed and the edge round the playfield (everything, when
    // Invalidate asked), and notes where the playfield's picture changed.
    void Compose();
    // Has the next compose draw the whole window again.
    void Invalidate() { chromeStale_ = true; }
    // Has the window's picture live at `place`, a display's own buffer (see
    // Display::Lodging), or in memory of its own when `place` is none or
    // not the window's size. Either move draws the whole window again at
    // the next compose, so the display shows all of it.
    void Lodge(const PixelBuffer& place);
    void LeaveLodging() override;
    // Puts the playfield's rows back in order in the window's picture
    // after the picture moved down by turning (see Surface::MoveDown).
    // Whoever reads `window` itself, not through MainPic1, calls it
    // first; a display that took a moved frame calls it through Move.
    void Straighten() override { MainPic1.Straighten(); }
    // The window's picture with its rows in order, for a reader of it all
    // (a dialog drawn over it, a screenshot).
    const Surface& Picture() {
        Straighten();
        return window;
    }
    // Whether the frame's drawing may move the playfield down by turning
    // it: while the display takes each frame's move reading the playfield
    // through MainPic1, which the main loop says after each frame.
    bool MayTurn() const { return mayTurn_; }
    void LetTurn(bool may) { mayTurn_ = may; }
    // Says that MainPic1 changed only inside these rectangles (its own
    // pixels) since its version `since`, so that the next compose names
    // only them as changed; with `movedRows`, after all of it moved down
    // that many rows (the top rows among `areas`). Ignored unless the last
    // compose saw that version and MainPic1 has not changed again since.
    void PlayfieldChangedOnly(std::span<const Rect> areas, uint64_t since, int movedRows = 0);
    // The rectangles of `window` the last compose changed: few, and a
    // moved playfield whole.
    std::span<const Rect> Changed() const { return {drawn_.data(), drawnCount_}; }
    // Whether the last compose knew the playfield's change exactly (the
    // drawing said where it drew), and then, for a display that can move
    // the pixels it has: the playfield's picture and how far it moved
    // down, and every rectangle drawn after that move, one for each object
    // wiped or drawn (many and small) and each control.
    bool Exact() const { return exact_; }
    const Move& Moved() const { return moved_; }
    std::span<const Rect> ChangedExactly() const { return {exactRects_.data(), exactCount_}; }

    // True when a label or image control differs from the window as last
    // composed. The controls are the window's own and show a change at once,
    // so a wait that follows one must show the window again.
    bool ControlsChanged() const;

    TextRenderer& Text();

    // The language the window's words are drawn in: the game's own Japanese
    // until a catalog is given. The captions keep the game's words; only
    // their drawing changes, so the game's state never depends on it. The
    // catalog must stay alive until the next call.
    void SetLanguage(const i18n::Catalog* catalog);
    const i18n::Catalog& Language() const { return *catalog_; }

    // The keys the key help names: the player's, not the defaults the game
    // writes (its state keeps them). The drawing alone changes.
    void SetKeyHelp(KeyHelp help);

    // The caption a label is drawn with: its own, but empty for a stand-in
    // it holds before the game first sets it, and the key help naming the
    // keys bound.
    const std::string& Shown(const Label& l);

    // How many times a caption has been rendered from the font since the
    // window was made; Compose renders only captions that changed.
    uint64_t CaptionRenders() const { return captionRenders_; }

private:
    // Points labels_ at the labels in the layout's order (render/Layout.cpp).
    void ListLabels();

    // One line-broken caption, rendered once.
    struct CaptionCache {
        std::string caption;
        uint64_t language = 0;
        int width = -1;
        int px = 0;
        int lineHeight = 0;
        std::vector<TextMask> lines;
    };
    static constexpr int kLabelCount = 17;
    // The playfield's changes are named in bands of this many rows.
    static constexpr int kBandRows = 16;
    static constexpr int kBands = (kPlayfield + kBandRows - 1) / kBandRows;

    bool HoldsStandIn(const Label& l) const;
    // Each draws only the part inside `clip`.
    void DrawLabel(const Label& l, CaptionCache& c, const Rect& clip);
    void DrawImage(const ImageControl& c, const Rect& clip);
    void DrawPlayfieldEdge(const Rect& clip);
    // Everything but the playfield's picture: the form, icons, labels and
    // the playfield's edge, inside `clip` and outside the picture.
    void DrawChrome(const Rect& clip);
    void DrawChromeIn(const Rect& clip);
    // Points MainPic1, a view, at the window's pixels again after they moved.
    void ReviewPlayfield();
    // Makes MainPic1 the view of the window's playfield, cleared.
    void PlacePlayfield();
    // The same for a MainPic1 that has pixels of its own, which it keeps.
    void AdoptPlayfield();
    // The ground beside the playfield's picture where it is wrong, and the
    // picture's changes (where PlayfieldChangedOnly said, when its word
    // holds, or all of it); adds them to the changed rectangles unless
    // `whole` covers them. The ground is looked at only when something may
    // have changed it: `chromeThere` says the compose painted controls'
    // rectangles over the playfield's inside.
    void DrawPlayfield(bool whole, bool hintHolds, bool chromeThere);

    std::unique_ptr<TextRenderer> text_;
    // The ranking's lines pad names by bytes; a fixed-pitch face keeps their
    // score column straight.
    std::unique_ptr<TextRenderer> print_;
    std::array<Label*, kLabelCount> labels_{};  // back to front
    std::array<CaptionCache, kLabelCount> captions_{};
    // The controls as last composed; assigned only where they changed, so a
    // frame with no change allocates nothing.
    std::array<Label, kLabelCount> composedLabels_{};
    std::array<ImageControl, 7> composedImages_{};  // MainItemPic, then ItemPic(1)..(6)
    uint64_t captionRenders_ = 0;
    const i18n::Catalog* catalog_;
    KeyHelp keyHelp_;
    std::string helpShown_;  // the key help as last drawn
    uint64_t language_ = 1;  // changes with every catalog given, so each caption is drawn again
    TextMask printMask_;
    // The window's controls and icons are to be drawn in full at the next
    // compose: a new layout, new icons, a window never composed.
    bool chromeStale_ = true;
    // Rectangles to paint again, an old and a new one per control, and the
    // distance's lead-in.
    static constexpr int kMostStale = 2 * (kLabelCount + 7) + 1;
    std::array<Rect, kMostStale> stale_{};
    // What the last compose drew: those, the playfield's bands of rows
    // and the strips beside its picture.
    std::array<Rect, kMostStale + kBands + 2> drawn_{};
    size_t drawnCount_ = 0;
    // The version of MainPic1 the last compose saw.
    uint64_t composedVersion_ = 0;
    // The ground beside the picture as last made right: its colour and the
    // picture's size then (-1: never).
    uint32_t groundColour_ = 0;
    int groundPicW_ = -1, groundPicH_ = -1;
    // PlayfieldChangedOnly's word: the columns to copy in each band of
    // rows, from which version to which.
    std::array<int, kBands> hintLo_{}, hintHi_{};
    std::array<Rect, 2 * kMostSprites + 1> hintRects_{};
    size_t hintCount_ = 0;
    bool hintExact_ = false;
    int hintMoved_ = 0;
    bool hinted_ = false;
    // The last compose's exact word (see Exact).
    bool exact_ = false;
    Move moved_{};
    std::array<Rect, kMostStale + 2 + 2 * kMostSprites + 1> exactRects_{};
    size_t exactCount_ = 0;
    uint64_t hintSince_ = 0, hintUntil_ = 0;
    bool mayTurn_ = false;
};

}  // namespace molfo
