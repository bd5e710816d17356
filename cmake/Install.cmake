# Install rules and the Debian package.
#
#   cmake --install build --prefix DIR    bin/ biosim, tarn, biosim-world; share/biosim-tarn/demo (the demo
#                                         world); share/doc/biosim-tarn (README and docs); desktop
#                                         entries and icons under share/applications and share/icons
#   cpack --config build/CPackConfig.cmake   biosim-tarn_<version>_<arch>.deb (prefix /usr)
include(GNUInstallDirs)

set(BT_SHARE ${CMAKE_INSTALL_DATADIR}/biosim-tarn)

foreach(app biosim tarn)
  if(TARGET ${app})
    install(TARGETS ${app} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES packaging/${app}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES packaging/${app}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  endif()
endforeach()
install(PROGRAMS packaging/biosim-world DESTINATION ${CMAKE_INSTALL_BINDIR})

# The demo world as the repository holds it; logs and the builder's USER folder of local runs stay out.
install(DIRECTORY demo/ DESTINATION ${BT_SHARE}/demo
        PATTERN "*.log" EXCLUDE
        PATTERN "USER" EXCLUDE
        PATTERN ".*" EXCLUDE)
set(BT_DOC ${CMAKE_INSTALL_DATADIR}/doc/biosim-tarn)
install(FILES README.md DESTINATION ${BT_DOC})
install(DIRECTORY docs/ DESTINATION ${BT_DOC} FILES_MATCHING PATTERN "*.md" PATTERN "*.png")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME biosim-tarn)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_CONTACT "biosim maintainers <biosim@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "2D tile world player (biosim) and map builder (tarn), with a demo world")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the programs link come from dpkg-shlibdeps; the font is loaded by path at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
include(CPack)
