// Renders a board's top and bottom with pcb-stackup (tracespace), the peer
// the board views are measured against: OUTDIR/top.svg and bottom.svg, and
// on standard output each file's layer type as pcb-stackup took it.
// Usage: NODE_PATH=.../node_modules node stackup-svg.js OUTDIR FILE...
'use strict'
const fs = require('fs')
const path = require('path')
const pcbStackup = require('pcb-stackup')

const [outDir, ...files] = process.argv.slice(2)
const layers = files.map((f) => ({filename: path.basename(f), gerber: fs.createReadStream(f)}))
pcbStackup(layers).then((stackup) => {
  fs.writeFileSync(path.join(outDir, 'top.svg'), stackup.top.svg)
  fs.writeFileSync(path.join(outDir, 'bottom.svg'), stackup.bottom.svg)
  for (const l of stackup.layers) console.log(l.filename + ' ' + l.side + ' ' + l.type)
}, (err) => {
  console.error(err.message)
  process.exit(1)
})
