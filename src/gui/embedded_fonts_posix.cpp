// The font files are pulled in by the assembler at build time (paths from cmake/QvFont.cmake).
#include "gui/embedded_fonts.h"

#define QV_EMBED_FONT(sym, path)                  \
    __asm__(".section .rodata\n"                  \
            ".balign 16\n"                        \
            ".globl " #sym "\n"                   \
            ".hidden " #sym "\n" #sym ":\n"       \
            ".incbin \"" path "\"\n"              \
            ".globl " #sym "_end\n"               \
            ".hidden " #sym "_end\n" #sym "_end:\n" \
            ".byte 0\n"                           \
            ".previous\n")

QV_EMBED_FONT(qv_font_sans_regular, QV_FONT_SANS_REGULAR);
QV_EMBED_FONT(qv_font_sans_bold, QV_FONT_SANS_BOLD);
QV_EMBED_FONT(qv_font_sans_italic, QV_FONT_SANS_ITALIC);
QV_EMBED_FONT(qv_font_sans_bold_italic, QV_FONT_SANS_BOLD_ITALIC);

extern "C" {
extern const unsigned char qv_font_sans_regular[], qv_font_sans_regular_end[];
extern const unsigned char qv_font_sans_bold[], qv_font_sans_bold_end[];
extern const unsigned char qv_font_sans_italic[], qv_font_sans_italic_end[];
extern const unsigned char qv_font_sans_bold_italic[], qv_font_sans_bold_italic_end[];
}

namespace qv {

CEmbeddedFont embeddedSansFont(int style) {
    switch (style) {
        case 1:
            return {qv_font_sans_bold, static_cast<std::size_t>(qv_font_sans_bold_end - qv_font_sans_bold)};
        case 2:
            return {qv_font_sans_italic, static_cast<std::size_t>(qv_font_sans_italic_end - qv_font_sans_italic)};
        case 3:
            return {qv_font_sans_bold_italic,
                    static_cast<std::size_t>(qv_font_sans_bold_italic_end - qv_font_sans_bold_italic)};
        default:
            return {qv_font_sans_regular, static_cast<std::size_t>(qv_font_sans_regular_end - qv_font_sans_regular)};
    }
}

}  // namespace qv
