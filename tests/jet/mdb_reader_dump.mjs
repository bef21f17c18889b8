// Prints every user table of a Jet file as read by mdb-reader, an
// independent reader, as JSON: {table: {columns: [[name, type]], rows: [[...]]}}.
// Dates are ISO texts (UTC), binary values hexadecimal, the rest as read.
// With "password" after the file, prints the database password instead.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const reader = new MDBReader(readFileSync(process.argv[2]));
if (process.argv[3] === "password") {
    process.stdout.write(JSON.stringify(reader.getPassword()));
    process.exit(0);
}
const out = {};
for (const name of reader.getTableNames()) {
    const table = reader.getTable(name);
    const columns = table.getColumns();
    const rows = table.getData().map((row) =>
        columns.map(({ name: column }) => {
            const value = row[column];
            if (value instanceof Date) return value.toISOString();
            if (Buffer.isBuffer(value)) return value.toString("hex");
            return value;
        }),
    );
    out[name] = { columns: columns.map((c) => [c.name, c.type]), rows };
}
process.stdout.write(JSON.stringify(out));
