# Runs at install time (install(CODE) in packaging/CMakeLists.txt): writes QUOVANTA_TEMPLATE
# with the installed programs' directory and installs it in QUOVANTA_DESTINATION under the
# prefix chosen now.
set(QUOVANTA_BINDIR "${CMAKE_INSTALL_PREFIX}/bin")
set(QUOVANTA_UNITDIR "${CMAKE_INSTALL_PREFIX}/share/quovanta/systemd")
# The directory is quoted in the launcher's and the service's command lines, whose escapes for
# these characters differ; a prefix holding one is refused rather than written wrong.
string(REGEX MATCH "[\"\\\\`$%\n]" special "${QUOVANTA_BINDIR}")
if(special)
  message(FATAL_ERROR "The installation prefix ${CMAKE_INSTALL_PREFIX} holds the character '${special}', "
                      "which a desktop launcher or a systemd unit cannot name unescaped: choose another prefix")
endif()
if(NOT IS_ABSOLUTE "${QUOVANTA_BINDIR}")
  message(FATAL_ERROR "The installation prefix ${CMAKE_INSTALL_PREFIX} is not an absolute path")
endif()
configure_file("${QUOVANTA_TEMPLATE}" "${QUOVANTA_STAGED}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${QUOVANTA_DESTINATION}" TYPE FILE FILES "${QUOVANTA_STAGED}")
