// Converts each Gerber or drill file named on the command line to SVG with
// tracespace's gerber-to-svg, written to OUTDIR/NAME.svg: the peer whose
// output size and time plothost --cam is measured against.
// Usage: NODE_PATH=.../node_modules node tracespace-svg.js OUTDIR FILE...
'use strict'
const fs = require('fs')
const path = require('path')
const gerberToSvg = require('gerber-to-svg')

const [outDir, ...files] = process.argv.slice(2)
let pending = files.length
let status = 0
for (const file of files) {
  const out = path.join(outDir, path.basename(file) + '.svg')
  // Its own guess takes some Gerber files for drill files: a Gerber file
  // declares its format in an extended command.
  const text = fs.readFileSync(file, 'latin1')
  const filetype = /%(FS|MO)/.test(text) ? 'gerber' : 'drill'
  gerberToSvg(text, {id: path.basename(file), filetype}, (err, svg) => {
    if (err) {
      console.error(file + ': ' + err.message)
      status = 1
    } else {
      fs.writeFileSync(out, svg)
    }
    if (--pending === 0) process.exit(status)
  })
}
