# gerbv's example files that the coverage test holds within 1 %: a choice
# that keeps the test short, one or two of each kind of file. Every example
# gerbv and we both read is within 1 % (see the README); left out of the
# test are drill files (holes are drawn in the holes colour, white), files
# we reject (ekf2 Gerbers: a malformed aperture parameter; ekf: apertures
# in a separate file; polarity: a malformed aperture definition; numpres
# masks: %IPNEG), and the other hellboard copper layers (seconds each).
set(GERBV_FILES
  Mentor-BoardStation/artwork_1.grb
  am-test/am-test.gbx
  amacro-ref/1.grb
  amacro-ref/full-ex.grb
  amacro-ref/gerbv_am_expression_bug.ger
  amacro-ref/jj1.grb
  amacro-ref/limit-ex.grb
  amacro-ref/stp0.grb
  cslk/cslk.gbx
  dan/top.gbx
  dan/top_sr.gbx
  eaglecad1/top-cop.gbx
  exposure/example.grb
  hellboard/hellboard.back.gbr
  hellboard/hellboard.fab.gbr
  jj/l1-orig.grb
  orcad/rs232_cm.top
  thermal/bpB.GP1
  uwe/example.gbr)
