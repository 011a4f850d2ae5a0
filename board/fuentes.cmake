# The console fonts the LCD fonts are generated from (Debian's
# console-setup-linux: Terminus Font, SIL Open Font License 1.1), in the
# order FONT8X16, FONT12X24, FONT16X32.
set(LAB_CONSOLE_FONTS
  /usr/share/consolefonts/Uni2-Terminus16.psf.gz
  /usr/share/consolefonts/Uni2-Terminus24x12.psf.gz
  /usr/share/consolefonts/Uni2-Terminus32x16.psf.gz)
