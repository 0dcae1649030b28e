#include "controls/overlay_menu_list.h"

#include <algorithm>
#include <string>

#include "controls/option_menu.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/rect_math.h"

namespace qv {

namespace {

constexpr std::int32_t kCheckColumn = 14;  // left of the text: the check mark
constexpr std::int32_t kArrowColumn = 12;  // right of the text: the sub-menu arrow
constexpr std::int32_t kPad = 4;

CRect rowRect(const CRect& rect, std::int32_t index, std::int32_t rowHeight) {
    return CRect{rect.x + 1, rect.y + rect.height - 1 - (index + 1) * rowHeight, rect.width - 2, rowHeight};
}

}  // namespace

COverlayMenuList::COverlayMenuList(COptionMenu& menu) : root(menu) {}

void COverlayMenuList::open(CGuiWindow* w, const CRect& field, std::uint32_t fontId, std::uint32_t style,
                            std::uint32_t size) {
    font = fontId;
    fontStyle = style;
    fontSize = size;
    rowHeight = static_cast<std::int32_t>(size > 0 ? std::min<std::uint32_t>(size, 64) : 12) + 6;
    columns[0] = Column{};
    columns[1] = Column{};
    focus = 0;
    attach(w);
    if (!isOpen()) return;
    // Below the field when it fits, else above it; kept inside the window either way.
    layout(columns[0], &root, field.x, field.y, field.x);
    Column& c = columns[0];
    c.rect.width = std::max(c.rect.width, field.width);
    if (c.rect.y < 0) c.rect.y = field.y + field.height;
    c.rect = keepInside(c.rect);
    c.highlight = static_cast<std::int32_t>(std::min<std::uint32_t>(root.getCurrentIndex(), root.getEntryCount() - 1));
    moveHighlight(c, 0);
}

void COverlayMenuList::layout(Column& column, COptionMenu* menu, std::int32_t x, std::int32_t top,
                              std::int32_t leftAlternative) {
    CDrawContext* dc = context();
    column.menu = menu;
    column.top = 0;
    column.highlight = -1;
    std::int32_t textWidth = 0;
    std::int32_t count = 0;
    if (menu->beginUse()) {
        count = static_cast<std::int32_t>(menu->getEntryCount());
        if (dc) {
            dc->setFont(static_cast<std::int32_t>(font), static_cast<std::int32_t>(fontStyle), static_cast<std::int32_t>(fontSize));
            for (std::int32_t i = 0; i < count; ++i) {
                textWidth = std::max(textWidth, dc->measureText(menu->getEntryText(static_cast<std::uint32_t>(i)).c_str()));
            }
        }
        menu->endUse();
    }
    const CRect all = getRect();
    column.rows = std::max(1, std::min(count, (all.height - 2) / rowHeight));
    const std::int32_t width = std::min(all.width, textWidth + kCheckColumn + kArrowColumn + 2 * kPad + 2);
    const std::int32_t height = column.rows * rowHeight + 2;
    column.rect = CRect{x, top - height, width, height};
    if (column.rect.x + width > all.width) column.rect.x = leftAlternative - width;
    column.rect = keepInside(column.rect);
}

CPoint COverlayMenuList::rowCentre(std::uint32_t column, std::int32_t row) const {
    const Column& c = columns[column & 1];
    const CRect r = rowRect(c.rect, row - c.top, rowHeight);
    return CPoint{r.x + r.width / 2, r.y + r.height / 2};
}

std::int32_t COverlayMenuList::rowAt(const Column& column, std::int32_t x, std::int32_t y) const {
    if (!column.menu || !rectContains(column.rect, x, y)) return -1;
    const std::int32_t i = (column.rect.y + column.rect.height - 2 - y) / rowHeight;
    if (i < 0 || i >= column.rows) return -1;
    const std::int32_t row = column.top + i;
    return row < static_cast<std::int32_t>(column.menu->getEntryCount()) ? row : -1;
}

void COverlayMenuList::moveHighlight(Column& column, std::int32_t step) {
    const std::int32_t count = static_cast<std::int32_t>(column.menu ? column.menu->getEntryCount() : 0);
    if (count == 0) {
        column.highlight = -1;
        return;
    }
    // Without a highlight, down (or none) starts at the first entry and up at the last.
    std::int32_t h = column.highlight < 0 ? (step < 0 ? count - 1 : 0)
                                          : ((column.highlight + step) % count + count) % count;
    column.highlight = h;
    if (h < column.top) column.top = h;
    if (h >= column.top + column.rows) column.top = h - column.rows + 1;
}

void COverlayMenuList::openSubMenu(std::int32_t row) {
    COptionMenu* sub = root.getSubMenu(static_cast<std::uint32_t>(row));
    if (!sub) return;
    if (columns[1].menu == sub) return;
    const Column& c = columns[0];
    const CRect r = rowRect(c.rect, row - c.top, rowHeight);
    layout(columns[1], sub, c.rect.x + c.rect.width - 1, r.y + r.height + 1, c.rect.x + 1);
}

void COverlayMenuList::closeSubMenu() {
    columns[1] = Column{};
    focus = 0;
}

void COverlayMenuList::activate(std::uint32_t column, std::int32_t row) {
    COptionMenu* menu = columns[column].menu;
    if (!menu || row < 0 || !menu->beginUse()) return;
    const bool exists = row < static_cast<std::int32_t>(menu->getEntryCount());
    const bool isSub = exists && menu->isSubMenuEntry(static_cast<std::uint32_t>(row));
    const bool enabled = exists && menu->isEntryEnabled(static_cast<std::uint32_t>(row));
    void* handle = menu->getMenu();
    menu->endUse();
    if (!exists) return;
    if (isSub) {
        if (column == 0) {
            openSubMenu(row);
            focus = 1;
            moveHighlight(columns[1], 0);
        }
        return;
    }
    if (!enabled) return;
    CGuiWindow* w = getWindow();
    detach();
    // As the native menu reports it; the menu field may be gone when this returns.
    w->onMenuCommand(handle, row);
}

void COverlayMenuList::onMouseDown(std::int32_t, std::int32_t, std::int32_t x, std::int32_t y) {
    if (!isOpen()) return;
    for (std::uint32_t c = 2; c-- > 0;) {
        if (!columns[c].menu || !rectContains(columns[c].rect, x, y)) continue;
        recapture();
        activate(c, rowAt(columns[c], x, y));
        return;
    }
    // Outside: closed without a choice; the field is no longer waiting for one.
    CGuiWindow* w = getWindow();
    detach();
    if (w->getMenuOwner() == &root) w->setMenuOwner(nullptr);
}

void COverlayMenuList::onMouseMove(std::int32_t x, std::int32_t y, std::int32_t) {
    if (!isOpen()) return;
    const std::int32_t inSub = rowAt(columns[1], x, y);
    if (inSub >= 0) {
        columns[1].highlight = inSub;
        focus = 1;
        return;
    }
    const std::int32_t row = rowAt(columns[0], x, y);
    if (row < 0) return;
    columns[0].highlight = row;
    focus = 0;
    if (root.isSubMenuEntry(static_cast<std::uint32_t>(row))) {
        openSubMenu(row);
    } else {
        closeSubMenu();
    }
}

bool COverlayMenuList::onKeyDown(std::uint32_t key) {
    if (!isOpen()) return false;
    Column& c = columns[focus];
    switch (overlayKeyOf(key)) {
        case COverlayKey::kUp: moveHighlight(c, -1); return true;
        case COverlayKey::kDown: moveHighlight(c, 1); return true;
        case COverlayKey::kRight:
            if (focus == 0 && root.isSubMenuEntry(static_cast<std::uint32_t>(std::max(0, c.highlight)))) activate(0, c.highlight);
            return true;
        case COverlayKey::kLeft:
            if (focus == 1) closeSubMenu();
            return true;
        case COverlayKey::kReturn: activate(focus, c.highlight); return true;
        case COverlayKey::kEscape:
            if (focus == 1) {
                closeSubMenu();
            } else {
                onMouseDown(kMouseLeft, 0, -1, -1);  // as a press outside
            }
            return true;
        default: return false;
    }
}

void COverlayMenuList::drawColumn(CDrawContext& dc, Column& column) {
    COptionMenu* menu = column.menu;
    if (!menu || !menu->beginUse()) return;
    dc.fillRect(column.rect, frame);
    dc.fillRect(CRect{column.rect.x + 1, column.rect.y + 1, column.rect.width - 2, column.rect.height - 2}, paper);
    const std::int32_t count = static_cast<std::int32_t>(menu->getEntryCount());
    for (std::int32_t i = 0; i < column.rows && column.top + i < count; ++i) {
        const std::uint32_t row = static_cast<std::uint32_t>(column.top + i);
        const CRect r = rowRect(column.rect, i, rowHeight);
        const bool lit = static_cast<std::int32_t>(row) == column.highlight;
        if (lit) dc.fillRect(r, selection);
        const CColor& text = !menu->isEntryEnabled(row) ? grey : lit ? selectedInk : ink;
        const CRect textBox{r.x + kCheckColumn, r.y, r.width - kCheckColumn - kArrowColumn, r.height};
        dc.drawText(menu->getEntryText(row).c_str(), textBox, text, kAlignLeft);
        const std::int32_t midY = r.y + r.height / 2;
        if (menu->isEntryChecked(row)) {
            const CPoint tick[3] = {{r.x + 3, midY}, {r.x + 6, midY - 3}, {r.x + 11, midY + 3}};
            dc.selectPen(text);
            dc.drawPolyline(tick, 3);
        }
        if (menu->isSubMenuEntry(row)) {
            const std::int32_t ax = r.x + r.width - kArrowColumn + 3;
            const CPoint arrow[3] = {{ax, midY - 4}, {ax, midY + 4}, {ax + 5, midY}};
            dc.fillPolygon(arrow, 3, text);
        }
    }
    menu->endUse();
}

void COverlayMenuList::draw(CDrawState) {
    CDrawContext* dc = context();
    if (!isOpen() || !dc) return;
    dc->setFont(static_cast<std::int32_t>(font), static_cast<std::int32_t>(fontStyle), static_cast<std::int32_t>(fontSize));
    drawColumn(*dc, columns[0]);
    drawColumn(*dc, columns[1]);
}

}  // namespace qv
