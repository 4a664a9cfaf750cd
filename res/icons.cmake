# The program's icons, drawn by scripts/make-icons into the build tree:
# selvanore-large.ico (ICON 103) and selvanore-small.ico (ICON 104), each with
# 48x48, 32x32 and 16x16 pictures in 16 colours. icons-preview.png beside
# them shows the six pictures enlarged, for a person to look at.
set(SELVANORE_ICON_DIR ${CMAKE_BINARY_DIR}/res)
set(SELVANORE_ICONS
  ${SELVANORE_ICON_DIR}/selvanore-large.ico
  ${SELVANORE_ICON_DIR}/selvanore-small.ico)

add_custom_command(
  OUTPUT ${SELVANORE_ICONS}
  BYPRODUCTS ${SELVANORE_ICON_DIR}/icons-preview.png
  COMMAND python3 ${PROJECT_SOURCE_DIR}/scripts/make-icons ${SELVANORE_ICON_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-icons
  COMMENT "Drawing the program's icons")
add_custom_target(selvanore_icons DEPENDS ${SELVANORE_ICONS})

if(SELVANORE_TESTS)
  # Draws the icons into a scratch directory twice (they must come out the
  # same) and checks them with a parser of its own and with ImageMagick.
  add_test(NAME icons
    COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/icons/check-icons.py)
endif()
