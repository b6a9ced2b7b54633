; Every file of the installed program folder, laid out as windeployqt lays
; out a Qt program: the executable, the Qt and compiler runtime libraries
; beside it, Qt's plugins in their folders, and the converter in
; imagemagick\. The installer copies these and the uninstaller deletes them;
; a test compares the list with the built folder.
!macro VARNOLT_PROGRAM_FILES FILE
  !insertmacro ${FILE} "" "varnolt.exe"
  !insertmacro ${FILE} "" "Qt6Core.dll"
  !insertmacro ${FILE} "" "Qt6Gui.dll"
  !insertmacro ${FILE} "" "Qt6Widgets.dll"
  !insertmacro ${FILE} "" "libstdc++-6.dll"
  !insertmacro ${FILE} "" "libgcc_s_seh-1.dll"
  !insertmacro ${FILE} "" "libwinpthread-1.dll"
  !insertmacro ${FILE} "platforms" "qwindows.dll"
  !insertmacro ${FILE} "platforms" "qoffscreen.dll"
  !insertmacro ${FILE} "styles" "qwindowsvistastyle.dll"
  !insertmacro ${FILE} "imageformats" "qgif.dll"
  !insertmacro ${FILE} "imageformats" "qicns.dll"
  !insertmacro ${FILE} "imageformats" "qico.dll"
  !insertmacro ${FILE} "imageformats" "qjpeg.dll"
  !insertmacro ${FILE} "imageformats" "qtga.dll"
  !insertmacro ${FILE} "imageformats" "qtiff.dll"
  !insertmacro ${FILE} "imageformats" "qwbmp.dll"
  !insertmacro ${FILE} "imagemagick" "convert.exe"
  !insertmacro ${FILE} "imagemagick" "policy.xml"
  !insertmacro ${FILE} "imagemagick" "colors.xml"
  !insertmacro ${FILE} "imagemagick" "configure.xml"
  !insertmacro ${FILE} "imagemagick" "english.xml"
  !insertmacro ${FILE} "imagemagick" "locale.xml"
  !insertmacro ${FILE} "imagemagick" "log.xml"
  !insertmacro ${FILE} "imagemagick" "magic.xml"
  !insertmacro ${FILE} "imagemagick" "mime.xml"
  !insertmacro ${FILE} "imagemagick" "thresholds.xml"
!macroend

; The folders above, deepest first, so that each is empty when it is removed.
!macro VARNOLT_PROGRAM_FOLDERS FOLDER
  !insertmacro ${FOLDER} "platforms"
  !insertmacro ${FOLDER} "styles"
  !insertmacro ${FOLDER} "imageformats"
  !insertmacro ${FOLDER} "imagemagick"
!macroend

; The kinds "Open with" offers Varnolt for.
!macro VARNOLT_OPEN_WITH_KINDS KIND
  !insertmacro ${KIND} ".png"
  !insertmacro ${KIND} ".bmp"
  !insertmacro ${KIND} ".gif"
  !insertmacro ${KIND} ".jpg"
  !insertmacro ${KIND} ".jpeg"
  !insertmacro ${KIND} ".tif"
  !insertmacro ${KIND} ".tiff"
  !insertmacro ${KIND} ".tga"
  !insertmacro ${KIND} ".pcx"
  !insertmacro ${KIND} ".psd"
  !insertmacro ${KIND} ".svg"
  !insertmacro ${KIND} ".j2k"
  !insertmacro ${KIND} ".jp2"
  !insertmacro ${KIND} ".ppm"
  !insertmacro ${KIND} ".vsd"
  !insertmacro ${KIND} ".vsdx"
  !insertmacro ${KIND} ".cdw"
  !insertmacro ${KIND} ".docx"
!macroend
