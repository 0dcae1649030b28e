// The popup list a menu field opens inside the editor window where there is no native popup
// menu: the entries in the field's font below the field (above when there is no room below),
// the check mark, greyed entries, and one level of sub-menus in a second column beside the row.
// Up and down move the highlight, right or Enter opens a sub-menu, left leaves it, Enter chooses,
// Escape closes; the pointer highlights the row it is over and a press chooses it. A press
// outside the columns closes the list without choosing. A choice is reported as the native menu
// reports it: the window's menu command with the menu and the position.
#pragma once

#include <cstdint>

#include "controls/overlay_view.h"
#include "gui/color.h"

namespace qv {

class COptionMenu;

class COverlayMenuList : public COverlayView {
public:
    explicit COverlayMenuList(COptionMenu& menu);

    // Opens the list of the menu next to `field` (window toolkit coordinates).
    void open(CGuiWindow* window, const CRect& field, std::uint32_t font, std::uint32_t fontStyle,
              std::uint32_t fontSize);
    void close() { detach(); }

    // Column 0 is the menu, column 1 an open sub-menu.
    CRect getColumnRect(std::uint32_t column) const { return columns[column & 1].rect; }
    std::int32_t getHighlight(std::uint32_t column) const { return columns[column & 1].highlight; }
    bool isSubMenuOpen() const { return columns[1].menu != nullptr; }
    std::int32_t getRowHeight() const { return rowHeight; }
    // The toolkit point at the middle of row `row` (an entry index) of a column, when visible.
    CPoint rowCentre(std::uint32_t column, std::int32_t row) const;

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers) override;
    bool onKeyDown(std::uint32_t key) override;
    void draw(CDrawState state) override;

private:
    struct Column {
        COptionMenu* menu = nullptr;
        CRect rect{};
        std::int32_t top = 0;        // first entry shown
        std::int32_t rows = 0;       // rows that fit
        std::int32_t highlight = -1;
    };

    // Lays out a column for `menu` with its top edge at `top` beside x (right of it, else left).
    void layout(Column& column, COptionMenu* menu, std::int32_t x, std::int32_t top, std::int32_t leftAlternative);
    void openSubMenu(std::int32_t row);
    void closeSubMenu();
    // The row of a column under a point, or -1.
    std::int32_t rowAt(const Column& column, std::int32_t x, std::int32_t y) const;
    void moveHighlight(Column& column, std::int32_t step);
    // Chooses the row of a column, or opens its sub-menu; a greyed row does nothing.
    void activate(std::uint32_t column, std::int32_t row);
    void drawColumn(CDrawContext& dc, Column& column);

    COptionMenu& root;
    Column columns[2];
    std::uint32_t focus = 0;
    std::uint32_t font = 0;
    std::uint32_t fontStyle = 0;
    std::uint32_t fontSize = 0;
    std::int32_t rowHeight = 16;
    CColor paper{nullptr, 0.95f, 0.95f, 0.95f, 1.0f, kColorPenAndBrush};
    CColor frame{nullptr, 0.4f, 0.4f, 0.4f, 1.0f, kColorPenAndBrush};
    CColor ink{nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush};
    CColor grey{nullptr, 0.6f, 0.6f, 0.6f, 1.0f, kColorPenAndBrush};
    CColor selection{nullptr, 0.2f, 0.4f, 0.8f, 1.0f, kColorPenAndBrush};
    CColor selectedInk{nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorPenAndBrush};
};

}  // namespace qv
