# The Debian package: cmake --build --preset default --target package, or
# scripts/package. Its dependencies come from the libraries the binaries link
# (dpkg-shlibdeps), so they follow whatever Debian release builds it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellinor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tirmo")
set(CPACK_PACKAGE_CONTACT "${VELLINOR_PAKETBETREUER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Coverbilder für MP3-Dateien finden und speichern")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Only what the install rules name: the test programs stay out.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELLINOR_PAKETBETREUER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vellinor.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own German texts for the standard buttons and dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary above this as the synopsis and turns the empty line into
# Debian's " ." paragraph mark. No line may begin with a dot.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vellinor füllt eine Dateiliste mit MP3-Dateien (aus einem Ordner, durch
Hineinziehen oder von der Befehlszeile) und sucht für jedes Lied ein Cover
im Web-Shop oder bei offenen Cover-Diensten (MusicBrainz mit dem Cover
Art Archive, iTunes, Deezer). Interpret, Titel und Album kommen aus den
ID3-Tags oder dem Dateinamen; das Bild des ersten Treffers wird im
ID3v2-Tag oder als Datei mit der Endung .jpg neben dem Lied gespeichert.

Dazu gehören eine Ansicht des gewählten Lieds, eine Zusammenfassung seiner
Tags, ein Editor für ID3v1- und ID3v2-Tags, ein Protokoll, eine Fehlerliste
und vellinor-cli, die Coversuche ohne Fenster für Stapelläufe.")

include(CPack)
