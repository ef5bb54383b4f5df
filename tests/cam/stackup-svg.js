// Renders a board's top and bottom with pcb-stackup (tracespace), the peer
// the board views are measured against: OUTDIR/top.svg and bottom.svg, and
// on standard output each file's layer type as pcb-stackup took it.
// Usage: NODE_PATH=.../node_modules node stackup-svg.js OUTDIR FILE[=[SIDE:]TYPE|=N]...
// pcb-stackup tells a layer by its file name; FILE=SIDE:TYPE (top:copper,
// all:drill) or FILE=TYPE (drawing) gives it a layer whose name it cannot
// tell, and FILE=N the side and type of plothost's host layer N (the one
// --layer FILE=N places it on).
'use strict'
const fs = require('fs')
const path = require('path')
const pcbStackup = require('pcb-stackup')

// pcb-stackup's side and type of host layer N.
function hostLayer(n) {
  const named = {0: 'bottom:copper', 1: 'top:copper', 3: 'all:outline', 14: 'bottom:solderpaste',
    15: 'top:solderpaste', 20: 'bottom:soldermask', 21: 'top:soldermask', 22: 'bottom:silkscreen',
    23: 'top:silkscreen', 24: 'all:drill'}
  if (named[n]) return named[n]
  return n === 2 || (n >= 4 && n <= 13) ? 'inner:copper' : 'drawing'
}

const [outDir, ...files] = process.argv.slice(2)
const layers = files.map((arg) => {
  const number = /^(.*)=(\d+)$/.exec(arg)
  const given = /^(.*)=(?:(\w+):)?(\w+)$/.exec(number ? number[1] + '=' + hostLayer(Number(number[2])) : arg)
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
