# The Windows installer, made in the build folder with `cpack -G NSIS`
# (Debian's nsis package provides makensis): tarvex-programmer-<version>-setup.exe.
#   - the programs into Program Files\Tarvex Programmer, with an uninstaller;
#   - the demo start-up folder copied into the documents of whoever installs,
#     as Documents\Tarvex Programmer, unless a setup.txt is there already: an
#     operator's own folder is never written over, nor removed on uninstall;
#   - a Start-menu entry that starts the program in that folder, the program's
#     start-up folder being its current folder.
# The installer takes what the build made of these, not every target.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(installed_programs tarvex-modem-engine tarvex-sms-bridge)
if(TARGET tarvex-programmer)
  list(PREPEND installed_programs tarvex-programmer)
endif()
install(TARGETS ${installed_programs} RUNTIME DESTINATION .)
install(DIRECTORY demo/ DESTINATION demo PATTERN .gitattributes EXCLUDE)

# The demo names the modem engine stand-in where a build folder beside it
# holds it; the copy made by the installer names the installed one.
file(STRINGS demo/setup.txt demo_setup)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS demo/setup.txt)
set(write_setup "")
set(line_number 0)
foreach(line IN LISTS demo_setup)
  math(EXPR line_number "${line_number} + 1")
  string(REPLACE "\r" "" line "${line}")
  if(line_number EQUAL 4)
    set(line "$INSTDIR\\tarvex-modem-engine.exe")
  endif()
  string(APPEND write_setup "  FileWrite $0 \"${line}$\\r$\\n\"\n")
endforeach()

set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME "Tarvex Programmer")
set(CPACK_PACKAGE_VENDOR "Tarvex")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "tarvex-programmer-${PROJECT_VERSION}-setup")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Tarvex Programmer")
set(CPACK_NSIS_PACKAGE_NAME "Tarvex Programmer")
set(CPACK_NSIS_DISPLAY_NAME "Tarvex Programmer ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer, for a 64-bit program (and one Wine without its 32-bit
# half runs).
set(CPACK_NSIS_DEFINES "  Target amd64-unicode")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)

# The documents of the user who runs the installer, also when it installs
# for all users.
set(to_user_documents "  SetShellVarContext current\n")
set(back_to_all_users "  StrCmp $SV_ALLUSERS \"AllUsers\" 0 +2\n  SetShellVarContext all\n")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "${to_user_documents}"
    "  IfFileExists \"$DOCUMENTS\\Tarvex Programmer\\setup.txt\" demo_done\n"
    "  CreateDirectory \"$DOCUMENTS\\Tarvex Programmer\"\n"
    "  CopyFiles /SILENT \"$INSTDIR\\demo\\*.*\" \"$DOCUMENTS\\Tarvex Programmer\"\n"
    "  FileOpen $0 \"$DOCUMENTS\\Tarvex Programmer\\setup.txt\" w\n"
    "${write_setup}"
    "  FileClose $0\n"
    "  demo_done:\n"
    "${back_to_all_users}")
string(JOIN "" CPACK_NSIS_EXTRA_INSTALL_COMMANDS ${CPACK_NSIS_EXTRA_INSTALL_COMMANDS})
if(TARGET tarvex-programmer)
  set(CPACK_NSIS_INSTALLED_ICON_NAME "tarvex-programmer.exe")
  # CreateShortCut takes the current output folder as the working folder.
  string(JOIN "" CPACK_NSIS_CREATE_ICONS_EXTRA
         "${to_user_documents}"
         "  CreateDirectory \"$DOCUMENTS\\Tarvex Programmer\"\n"
         "  SetOutPath \"$DOCUMENTS\\Tarvex Programmer\"\n"
         "${back_to_all_users}"
         "  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\Tarvex Programmer.lnk\" "
         "\"$INSTDIR\\tarvex-programmer.exe\"\n"
         "  SetOutPath \"$INSTDIR\"\n")
  set(CPACK_NSIS_DELETE_ICONS_EXTRA
      "  Delete \"$SMPROGRAMS\\$MUI_TEMP\\Tarvex Programmer.lnk\"\n")
endif()
include(CPack)
