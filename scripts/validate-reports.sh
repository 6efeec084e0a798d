#!/usr/bin/env bash
# Validates reports against docs/rapport.schema.json: each must be UTF-8 without a
# byte-order mark and valid against the schema. Fails when one is not, or when no
# report was found (a run that produced none has tested nothing).
#
# usage: scripts/validate-reports.sh FILE...
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
python3 - "$root/docs/rapport.schema.json" "$@" <<'PY'
import json, sys
import jsonschema

schema_path, reports = sys.argv[1], [r for r in sys.argv[2:]]
with open(schema_path, encoding="utf-8") as f:
    schema = json.load(f)
validator = jsonschema.validators.validator_for(schema)
validator.check_schema(schema)
check = validator(schema)
bad = 0
for path in reports:
    try:
        with open(path, "rb") as f:
            data = f.read()
        if data.startswith(b"\xef\xbb\xbf"):
            raise ValueError("starts with a byte-order mark")
        report = json.loads(data.decode("utf-8"))
        errors = sorted(check.iter_errors(report), key=lambda e: list(e.path))
        if errors:
            raise ValueError("; ".join(f"{'/'.join(map(str, e.path)) or '(root)'}: {e.message}" for e in errors))
        print(f"  valid    {path}")
    except Exception as e:  # any failure of this file is a failure of the run
        print(f"  INVALID  {path}: {e}")
        bad += 1
print(f"reports: {len(reports) - bad} valid, {bad} invalid")
if not reports:
    print("reports: none was produced")
sys.exit(1 if bad or not reports else 0)
PY
