# Where the tool looks for the joiners it copies by default (--for windows,
# --for linux), relative to its own directory. On Windows: installed,
# plantilla\Selvanore.exe and selvanore beside it; in the build tree
# Selvanore.exe beside it. On Linux:
# in an installed tree bin/../share/selvanore; in its build tree (told at run
# time by the CMakeCache.txt beside the tool) the Windows joiner of the win32
# build beside this build, and this build's own Linux joiner (the target
# selvanore, beside the tool). Only relative places are compiled in, so
# builds in different directories are identical.
set(VANTOREL_DEFAULT_JOINER "" CACHE STRING
  "Joiner copied by vantorel-split by default when it runs from its build tree, relative to the tool's directory")
if(WIN32)
  # Installed, the template joiner lies in a folder of its own beside the
  # programs, where no one double-clicks it by mistake; in the build tree it
  # is the Selvanore target, beside the tool.
  set(installed_joiner "plantilla\\\\Selvanore.exe")
  set(default_joiner Selvanore.exe)
  set(installed_linux_joiner selvanore)
  set(default_linux_joiner "")
else()
  set(installed_joiner ../share/selvanore/Selvanore.exe)
  set(default_joiner "${VANTOREL_DEFAULT_JOINER}")
  if(default_joiner STREQUAL "")
    file(RELATIVE_PATH default_joiner ${CMAKE_BINARY_DIR}
      ${PROJECT_SOURCE_DIR}/build/win32/Selvanore.exe)
  endif()
  set(installed_linux_joiner ../share/selvanore/selvanore)
  set(default_linux_joiner selvanore)
endif()
# The same places for every front end of the splitter: vantorel-split and,
# on Windows, Vantorel.exe.
set(split_joiner_places
  VANTOREL_INSTALLED_JOINER="${installed_joiner}"
  VANTOREL_BUILD_JOINER="${default_joiner}"
  VANTOREL_INSTALLED_LINUX_JOINER="${installed_linux_joiner}"
  VANTOREL_BUILD_LINUX_JOINER="${default_linux_joiner}")
