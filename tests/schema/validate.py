#!/usr/bin/env python3
"""Checks the JSON schemas of docs/schema, then files the programs wrote against them.

    validate.py SCHEMA_DIR [NAME=FILE ...]

Every NAME.schema.json of SCHEMA_DIR is checked against its meta-schema and
must say what it is ($schema, $id, title, description, a description on every
property). Then each FILE is validated against NAME.schema.json; references
between the schemas resolve through their $id. Every mismatch is printed with
the file, the place in it and the reason. Exit 0: all match; 1: a mismatch;
2: bad arguments or a file that is no JSON.
"""

import json
import pathlib
import sys

import jsonschema
from jsonschema import Draft202012Validator

DRAFT = "https://json-schema.org/draft/2020-12/schema"
ID_PREFIX = "https://quelvarinit.invalid/schema/"


def unique_keys(pairs):
    """An object of a file, refused when it names a key twice."""
    seen = {}
    for key, value in pairs:
        if key in seen:
            raise ValueError(f"the key {key!r} appears twice in one object")
        seen[key] = value
    return seen


def load_json(path):
    with open(path, encoding="utf-8") as stream:
        return json.load(stream, object_pairs_hook=unique_keys)


# Subschemas that narrow properties declared elsewhere rather than declare them.
NARROWING = {"if", "then", "else", "not"}


def undescribed(schema, where="#"):
    """Places of declared properties that carry no description."""
    found = []
    if isinstance(schema, dict):
        for name, sub in schema.get("properties", {}).items():
            if not isinstance(sub, dict) or "description" not in sub:
                found.append(f"{where}/properties/{name}")
        for key, sub in schema.items():
            if key not in NARROWING:
                found += undescribed(sub, f"{where}/{key}")
    elif isinstance(schema, list):
        for i, sub in enumerate(schema):
            found += undescribed(sub, f"{where}/{i}")
    return found


def schema_problems(path, schema):
    problems = []
    try:
        Draft202012Validator.check_schema(schema)
    except jsonschema.exceptions.SchemaError as error:
        problems.append(f"not a valid schema: {error.message} (at {error.json_path})")
    if schema.get("$schema") != DRAFT:
        problems.append(f"$schema is not {DRAFT}")
    expected_id = ID_PREFIX + path.name
    if schema.get("$id") != expected_id:
        problems.append(f"$id is not {expected_id}")
    for key in ("title", "description"):
        if not isinstance(schema.get(key), str) or not schema[key]:
            problems.append(f"no {key}")
    problems += [f"no description at {place}" for place in undescribed(schema)]
    return problems


def validator_maker(schemas):
    """Validators that resolve references between the schemas by their $id."""
    try:
        # jsonschema 4.18 and later
        from referencing import Registry
        from referencing.jsonschema import DRAFT202012

        registry = Registry().with_resources(
            (s["$id"], DRAFT202012.create_resource(s)) for s in schemas)
        Draft202012Validator({}, registry=registry)
        return lambda schema: Draft202012Validator(schema, registry=registry)
    except (ImportError, TypeError):
        store = {s["$id"]: s for s in schemas}
        return lambda schema: Draft202012Validator(
            schema, resolver=jsonschema.RefResolver.from_schema(schema, store=store))


def deepest(error):
    """The most telling error of an anyOf or oneOf."""
    return jsonschema.exceptions.best_match([error]) if error.context else error


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    folder = pathlib.Path(argv[1])
    paths = sorted(folder.glob("*.schema.json"))
    if not paths:
        print(f"validate: no *.schema.json in {folder}", file=sys.stderr)
        return 2

    failures = 0
    schemas = {}
    for path in paths:
        try:
            schema = load_json(path)
        except (OSError, ValueError) as error:
            print(f"FAIL: {path}: does not read as JSON: {error}", file=sys.stderr)
            failures += 1
            continue
        for problem in schema_problems(path, schema):
            print(f"FAIL: {path}: {problem}", file=sys.stderr)
            failures += 1
        schemas[path.name[: -len(".schema.json")]] = schema
    if failures:
        return 1
    make = validator_maker(schemas.values())

    for pair in argv[2:]:
        name, _, file = pair.partition("=")
        if name not in schemas or not file:
            print(f"validate: '{pair}' is not NAME=FILE with a schema NAME of {folder}",
                  file=sys.stderr)
            return 2
        try:
            document = load_json(file)
        except (OSError, ValueError) as error:
            print(f"FAIL: {file}: does not read as JSON: {error}", file=sys.stderr)
            failures += 1
            continue
        errors = sorted(make(schemas[name]).iter_errors(document), key=lambda e: e.json_path)
        for error in errors:
            error = deepest(error)
            print(f"FAIL: {file} does not match {name}.schema.json: at {error.json_path}: "
                  f"{error.message}", file=sys.stderr)
        failures += len(errors)
        if not errors:
            print(f"ok: {file} matches {name}.schema.json")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
