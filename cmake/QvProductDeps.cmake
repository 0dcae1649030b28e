# Libraries and generated sources the product objects need beyond the platform's own.
# Included from src/CMakeLists.txt after qv_objects exists; each piece keeps its own file.
include(QvResources OPTIONAL)   # PNG images in the library, libpng
include(QvFont OPTIONAL)        # text rendering: FreeType and the embedded font
