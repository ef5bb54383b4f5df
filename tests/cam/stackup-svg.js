// Renders a board's top and bottom with pcb-stackup (tracespace), the peer
// the board views are measured against: OUTDIR/top.svg and bottom.svg, and
// on standard output each file's layer type as pcb-stackup took it.
// Usage: NODE_PATH=.../node_modules node stackup-svg.js OUTDIR FILE[=[SIDE:]TYPE]...
// pcb-stackup tells a layer by its file name; FILE=SIDE:TYPE (top:copper,
// all:drill) or FILE=TYPE (drawing) gives it a layer whose name it cannot tell.
'use strict'
const fs = require('fs')
const path = require('path')
const pcbStackup = require('pcb-stackup')

const [outDir, ...files] = process.argv.slice(2)
const layers = files.map((arg) => {
  const given = /^(.*)=(?:(\w+):)?(\w+)$/.exec(arg)
  const f = given ? given[1] : arg
  // As in tracespace-svg.js: its own guess takes some Gerber files for
  // drill files (and draws nothing of them).
  const text = fs.readFileSync(f, 'latin1')
  const filetype = /%(FS|MO)/.test(text) ? 'gerber' : 'drill'
  const layer = {filename: path.basename(f), gerber: text, options: {filetype}}
  return given ? Object.assign(layer, {side: given[2] || null, type: given[3]}) : layer
})
pcbStackup(layers).then((stackup) => {
  fs.writeFileSync(path.join(outDir, 'top.svg'), stackup.top.svg)
  fs.writeFileSync(path.join(outDir, 'bottom.svg'), stackup.bottom.svg)
  for (const l of stackup.layers) console.log(l.filename + ' ' + l.side + ' ' + l.type)
}, (err) => {
  console.error(err.message)
  process.exit(1)
})
