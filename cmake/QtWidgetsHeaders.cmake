# sklad_precompile_qt_widgets(<target>)
# The Qt Widgets headers nearly every window and control file includes, compiled once per target.
function(sklad_precompile_qt_widgets target)
  target_precompile_headers(${target} PRIVATE <QApplication> <QLabel> <QPainter> <QWidget>)
endfunction()
