// Validates CycloneDX 1.6 JSON files against the official schema, with the CycloneDX project's
// own validator (strict: no property the schema does not define).
//   node validate-sbom.js FILE...
'use strict'
const fs = require('fs')
const { Spec, Validation } = require('@cyclonedx/cyclonedx-library')

async function main (files) {
  const validator = new Validation.JsonStrictValidator(Spec.Version.v1dot6)
  let failed = false
  for (const file of files) {
    const errors = await validator.validate(fs.readFileSync(file, 'utf8'))
    if (errors === null) {
      console.log(`${file}: valid CycloneDX 1.6 (strict JSON schema)`)
    } else {
      failed = true
      console.log(`${file}: invalid:\n${JSON.stringify(errors, null, 2)}`)
    }
  }
  process.exitCode = failed ? 1 : 0
}

main(process.argv.slice(2)).catch(error => {
  console.error(error)
  process.exitCode = 2
})
