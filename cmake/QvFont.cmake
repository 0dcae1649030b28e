# Text rendering. Linux: FreeType, with Liberation Sans 2 (Debian's fonts-liberation2, metric-compatible
# with Arial, under the SIL Open Font License) built into the library by the assembler, so no font is
# needed at run time. Liberation 1.x (Debian's fonts-liberation) is GPL-2 and is not used.
# Windows: GDI with Arial; nothing to add beyond gdi32.
if(WIN32)
  return()
endif()

find_package(Freetype REQUIRED)
target_link_libraries(qv_objects PUBLIC Freetype::Freetype)

set(QV_FONT_DIRS /usr/share/fonts/truetype/liberation2 /usr/share/fonts/liberation-sans
    /usr/share/fonts/liberation)
set(qv_font_defs)
set(qv_font_files)
foreach(style Regular Bold Italic BoldItalic)
  find_file(QV_FONT_OFL_SANS_${style} LiberationSans-${style}.ttf PATHS ${QV_FONT_DIRS} NO_DEFAULT_PATH)
  if(NOT QV_FONT_OFL_SANS_${style})
    message(FATAL_ERROR "LiberationSans-${style}.ttf not found: install fonts-liberation2 (scripts/setup)")
  endif()
  string(TOUPPER ${style} key)
  if(key STREQUAL "BOLDITALIC")
    set(key BOLD_ITALIC)
  endif()
  list(APPEND qv_font_defs "QV_FONT_SANS_${key}=\"${QV_FONT_OFL_SANS_${style}}\"")
  list(APPEND qv_font_files ${QV_FONT_OFL_SANS_${style}})
endforeach()
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/gui/embedded_fonts_posix.cpp PROPERTIES
  COMPILE_DEFINITIONS "${qv_font_defs}" OBJECT_DEPENDS "${qv_font_files}")
