#!/usr/bin/python3
"""Checks scripts/package_manifests.py on a fake release folder (small dummy installers with
the right names; no build needed): the winget manifests against winget's own JSON schemas
(1.10.0), the hashes and addresses in them, the Chocolatey package source, that the output is
the same bytes every time, and that the generator refuses a release folder it cannot describe.

The schemas stay outside the project: $BRISKO_WINGET_SCHEMAS, else <repo>/../shared/schemas/winget,
else /work/shared/schemas/winget. Without them the test is skipped (exit code 77).

Runs under Debian's /usr/bin/python3 with its python3-jsonschema and python3-yaml, whatever
python3 comes first on the PATH. Prints ok:/FAILED: lines; exits non-zero on any failure.
"""

import os
import sys

DEBIAN_PYTHON = "/usr/bin/python3"
if os.path.realpath(sys.executable) != os.path.realpath(DEBIAN_PYTHON) and os.path.exists(DEBIAN_PYTHON):
    os.execv(DEBIAN_PYTHON, [DEBIAN_PYTHON] + sys.argv)

import copy
import hashlib
import json
import re
import shutil
import subprocess
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent.parent
GENERATOR = REPO / "scripts" / "package_manifests.py"
SCHEMA_FILES = {
    "version": "manifest.version.1.10.0.json",
    "installer": "manifest.installer.1.10.0.json",
    "defaultLocale": "manifest.defaultLocale.1.10.0.json",
}
PACKAGE_ID = "Brisko.Brisko"
WINGET_FILES = {
    "version": f"winget/{PACKAGE_ID}.yaml",
    "installer": f"winget/{PACKAGE_ID}.installer.yaml",
    "defaultLocale": f"winget/{PACKAGE_ID}.locale.en-US.yaml",
}
# A version YAML would read as the number 7.1 if it were written unquoted.
VERSION = "7.10"
BASE_URL = "https://downloads.example.com/brisko/7.10"

failures = 0


def check(name, condition, detail=""):
    global failures
    if condition:
        print(f"ok: {name}")
    else:
        failures += 1
        print(f"FAILED: {name}" + (f": {detail}" if detail else ""))
    return condition


def find_schemas():
    candidates = []
    if os.environ.get("BRISKO_WINGET_SCHEMAS"):
        candidates.append(Path(os.environ["BRISKO_WINGET_SCHEMAS"]))
    candidates += [REPO.parent / "shared" / "schemas" / "winget", Path("/work/shared/schemas/winget")]
    candidates = list(dict.fromkeys(Path(os.path.abspath(c)) for c in candidates))
    for folder in candidates:
        if all((folder / name).is_file() for name in SCHEMA_FILES.values()):
            return folder
    print(f"SKIPPED: winget schemas not found (looked in {', '.join(str(c) for c in candidates)})")
    sys.exit(77)


def load_generator():
    # Imported for its YAML writer; no __pycache__ left behind in scripts/.
    sys.dont_write_bytecode = True
    sys.path.insert(0, str(GENERATOR.parent))
    import package_manifests
    return package_manifests


def make_release(folder, version, contents=None):
    """A release folder like scripts/release's, with dummy files, and its SHA256SUMS."""
    folder.mkdir(parents=True)
    contents = contents or {}
    names = ["brisko.exe", "brisko64.exe", f"brisko-{version}-setup.exe", f"brisko64-{version}-setup.exe"]
    for name in names:
        (folder / name).write_bytes(contents.get(name, f"dummy {name}\n".encode()))
    sums = "".join(f"{hashlib.sha256((folder / n).read_bytes()).hexdigest()}  {n}\n" for n in sorted(names))
    (folder / "SHA256SUMS").write_text(sums)
    return {n: hashlib.sha256((folder / n).read_bytes()).hexdigest() for n in names}


def run_generator(release, out, *args, cwd=None):
    return subprocess.run([DEBIAN_PYTHON, str(GENERATOR), str(release), str(out), *args],
                          capture_output=True, text=True, cwd=cwd)


def read_tree(folder):
    return {str(p.relative_to(folder)): p.read_bytes() for p in sorted(folder.rglob("*")) if p.is_file()}


def ps_assignments(script):
    """name = 'value' lines of a hashtable in a generated PowerShell script."""
    return dict(re.findall(r"^\s*(\w+)\s*=\s*'([^']*)'\s*$", script, re.M))


def main():
    schema_dir = find_schemas()
    try:
        import jsonschema
        import yaml
    except ImportError as error:
        print(f"FAILED: {error} (apt-get install python3-jsonschema python3-yaml)")
        return 1
    generator = load_generator()
    schemas = {kind: json.loads((schema_dir / name).read_text()) for kind, name in SCHEMA_FILES.items()}
    validators = {kind: jsonschema.Draft7Validator(schema) for kind, schema in schemas.items()}
    for schema in schemas.values():
        jsonschema.Draft7Validator.check_schema(schema)

    def schema_errors(kind, document):
        return [f"{'/'.join(map(str, e.absolute_path)) or '<root>'}: {e.message}"
                for e in validators[kind].iter_errors(document)]

    # --- The YAML emitter: every string loads back as that very string, never a number, a
    # boolean, a date or null, written plain where safe, quoted always, or forced quoted.
    strings = [
        "1234567890" * 6 + "1234",  # a SHA-256 of digits only
        "1e5", "1E10", "123E4567", "6.1", "7.10", "1.10.0", "0x1F", "0o17", "1_000", "+1", "-1",
        ".5", ".inf", "-.inf", ".NaN", "12:30", "2024-01-01", "yes", "No", "ON", "off", "y", "N",
        "true", "False", "null", "NULL", "~", "", " lead", "trail ", "it's", "- a", "#x", "a: b",
        "a #b", "ends:", "@x", "`x", "%x", "!x", "&x", "*x", "{x}", "[x]", "|", ">", "?x", "=",
        "<<", "Brisko.Brisko", "en-US", "https://example.invalid/a/b-1.exe", "Caf\u00e9 \u2013 ok",
    ]
    writers = {
        "plain-if-safe": generator.yaml_scalar,
        "quoted": generator.yaml_quoted,
        "forced": lambda s: generator.yaml_scalar(generator.Quoted(s)),
    }
    wrong = []
    for text in strings:
        for how, write in writers.items():
            try:
                loaded = yaml.safe_load(f"k: {write(text)}\n")["k"]
            except yaml.YAMLError as error:
                loaded = error
            if not (isinstance(loaded, str) and loaded == text):
                wrong.append(f"{text!r} written {how} as {write(text)} loads as {loaded!r}")
    check(f"{len(strings)} awkward strings load back as themselves", not wrong, "; ".join(wrong))
    try:
        generator.yaml_quoted("two\nlines")
        check("a control character in a YAML value is refused", False, "accepted")
    except ValueError:
        check("a control character in a YAML value is refused", True)

    with tempfile.TemporaryDirectory() as temp_name:
        temp = Path(temp_name)
        sums = make_release(temp / "release", VERSION)
        result = run_generator(temp / "release", temp / "out", "--version", VERSION, "--url", BASE_URL + "/")
        if not check("generator runs on a release folder", result.returncode == 0, result.stderr.strip()):
            return 1
        out = temp / "out"

        # --- winget: the schemas, the schema line, the values.
        texts = {kind: (out / path).read_text(encoding="utf-8") for kind, path in WINGET_FILES.items()}
        documents = {kind: yaml.safe_load(text) for kind, text in texts.items()}
        for kind, document in documents.items():
            errors = schema_errors(kind, document)
            check(f"{WINGET_FILES[kind]} is valid against {SCHEMA_FILES[kind]}", not errors, "; ".join(errors))
            first = texts[kind].splitlines()[0]
            expected = f"# yaml-language-server: $schema={schemas[kind]['$id']}"
            check(f"{WINGET_FILES[kind]} names its schema on its first line", first == expected, first)
        identities = {(d["PackageIdentifier"], d["PackageVersion"]) for d in documents.values()}
        check("the three manifests name one package and version", identities == {(PACKAGE_ID, VERSION)}, str(identities))
        check("the version manifest's default locale is the locale manifest's",
              documents["version"]["DefaultLocale"] == documents["defaultLocale"]["PackageLocale"] == "en-US")
        installer = documents["installer"]
        check("installer type, scope and elevation",
              (installer.get("InstallerType"), installer.get("Scope"), installer.get("ElevationRequirement"))
              == ("nullsoft", "machine", "elevatesSelf"))
        expected_installers = {
            "x86": f"brisko-{VERSION}-setup.exe",
            "x64": f"brisko64-{VERSION}-setup.exe",
        }
        entries = {i["Architecture"]: i for i in installer["Installers"]}
        check("one installer for each of x86 and x64",
              sorted(entries) == sorted(expected_installers) and len(installer["Installers"]) == 2)
        sha_lines = re.findall(r"^\s*InstallerSha256: (.*)$", texts["installer"], re.M)
        check("every InstallerSha256 is written quoted, whatever its digits",
              len(sha_lines) == 2 and all(re.fullmatch(r"'[0-9A-F]{64}'", v) for v in sha_lines), str(sha_lines))
        for arch, name in expected_installers.items():
            entry = entries.get(arch, {})
            sha = entry.get("InstallerSha256")
            check(f"{arch}: InstallerSha256 is a string equal to the SHA-256 of {name}",
                  isinstance(sha, str) and sha.lower() == sums[name], repr(sha))
            check(f"{arch}: InstallerUrl is the address setting plus {name}",
                  entry.get("InstallerUrl") == f"{BASE_URL}/{name}", repr(entry.get("InstallerUrl")))

        # --- Chocolatey.
        nuspec_path = out / "chocolatey" / "brisko.nuspec"
        try:
            root = ET.parse(nuspec_path).getroot()
            ns = {"n": root.tag[1:].split("}")[0]} if root.tag.startswith("{") else {"n": ""}
            meta = {e.tag.split("}")[-1]: e.text for e in root.find("n:metadata", ns)}
            check("brisko.nuspec is well-formed with id, version and project address",
                  (meta.get("id"), meta.get("version"), meta.get("projectUrl")) == ("brisko", VERSION, BASE_URL),
                  str(meta))
        except ET.ParseError as error:
            check("brisko.nuspec is well-formed XML", False, str(error))
        install = (out / "chocolatey" / "tools" / "chocolateyInstall.ps1").read_text()
        values = ps_assignments(install)
        expected_values = {
            "url": f"{BASE_URL}/brisko-{VERSION}-setup.exe",
            "checksum": sums[f"brisko-{VERSION}-setup.exe"],
            "checksumType": "sha256",
            "url64bit": f"{BASE_URL}/brisko64-{VERSION}-setup.exe",
            "checksum64": sums[f"brisko64-{VERSION}-setup.exe"],
            "checksumType64": "sha256",
            "silentArgs": "/S",
            "fileType": "exe",
        }
        differing = {k: values.get(k) for k, v in expected_values.items() if values.get(k) != v}
        check("chocolateyInstall.ps1 names both addresses and both checksums (sha256), silent /S",
              not differing and "Install-ChocolateyPackage @packageArgs" in install, str(differing))
        uninstall = (out / "chocolatey" / "tools" / "chocolateyUninstall.ps1").read_text()
        check("chocolateyUninstall.ps1 finds the uninstaller and runs it silently",
              all(s in uninstall for s in ("Get-UninstallRegistryKey", "Uninstall-ChocolateyPackage @packageArgs",
                                           "Brisko\\uninstall.exe"))
              and ps_assignments(uninstall).get("silentArgs") == "/S")

        # --- Same inputs, same bytes: again from another working folder; LF only.
        again = run_generator(temp / "release", temp / "again", "--version", VERSION, "--url", BASE_URL, cwd="/")
        first_tree, second_tree = read_tree(out), read_tree(temp / "again")
        check("a second run writes the same files, byte for byte",
              again.returncode == 0 and first_tree == second_tree and len(first_tree) == 6,
              "differ: " + ", ".join(sorted(n for n in set(first_tree) | set(second_tree)
                                            if first_tree.get(n) != second_tree.get(n))))
        check("no CR in any file", not [n for n, b in first_tree.items() if b"\r" in b])

        # --- Without an address: the placeholder, and a note saying so.
        placeholder = run_generator(temp / "release", temp / "placeholder", "--version", VERSION, "--url", "")
        urls = [i["InstallerUrl"] for i in yaml.safe_load(
            (temp / "placeholder" / WINGET_FILES["installer"]).read_text())["Installers"]]
        check("without --url the addresses are placeholders and a note says so",
              placeholder.returncode == 0 and "placeholder" in placeholder.stderr
              and all(u.startswith(f"https://example.invalid/brisko/releases/{VERSION}/") for u in urls),
              placeholder.stderr.strip() + " " + str(urls))

        # --- Without --version: the version of the top CMakeLists.txt's project().
        cmake = re.search(r"^project\(brisko VERSION ([0-9.]+)", (REPO / "CMakeLists.txt").read_text(), re.M)
        if check("the top CMakeLists.txt names the project's version", cmake is not None):
            make_release(temp / "cmake-release", cmake.group(1))
            run = run_generator(temp / "cmake-release", temp / "cmake-out", "--url", BASE_URL)
            version = run.returncode == 0 and yaml.safe_load(
                (temp / "cmake-out" / WINGET_FILES["version"]).read_text())["PackageVersion"]
            check(f"without --version the version is CMakeLists.txt's ({cmake.group(1)})",
                  version == cmake.group(1), run.stderr.strip() or repr(version))

        # --- The schemas can fail: one wrong field each, every one rejected.
        def set_field(kind, path, value):
            def mutate(docs):
                target = docs[kind]
                for step in path[:-1]:
                    target = target[step]
                if value is DELETE:
                    del target[path[-1]]
                else:
                    target[path[-1]] = value
            return mutate

        DELETE = object()
        mutations = [
            ("InstallerType: msi-ish-nonsense", set_field("installer", ["InstallerType"], "msi-ish-nonsense")),
            ("Scope: everywhere", set_field("installer", ["Scope"], "everywhere")),
            ("Architecture: amd64", set_field("installer", ["Installers", 0, "Architecture"], "amd64")),
            ("InstallerSha256 read as a number", set_field("installer", ["Installers", 0, "InstallerSha256"], 1234 * 10**60)),
            ("InstallerSha256 of 63 digits", set_field("installer", ["Installers", 0, "InstallerSha256"], "A" * 63)),
            ("InstallerUrl not http(s)", set_field("installer", ["Installers", 1, "InstallerUrl"], "ftp://x/y.exe")),
            ("PackageVersion read as a number", set_field("version", ["PackageVersion"], 7.1)),
            ("PackageIdentifier without a dot", set_field("version", ["PackageIdentifier"], "Brisko")),
            ("no License", set_field("defaultLocale", ["License"], DELETE)),
            ("ManifestType of another manifest", set_field("defaultLocale", ["ManifestType"], "installer")),
        ]
        for name, mutate in mutations:
            docs = copy.deepcopy(documents)
            mutate(docs)
            rejected = any(schema_errors(kind, docs[kind]) for kind in docs)
            check(f"a manifest with {name} is rejected", rejected)

        # --- Release folders the generator must refuse, writing nothing.
        def without_x64(folder):
            (folder / f"brisko64-{VERSION}-setup.exe").unlink()

        def stale_sums(folder):
            (folder / f"brisko-{VERSION}-setup.exe").write_bytes(b"rebuilt after SHA256SUMS\n")

        refusals = [
            ("no x64 installer", without_x64, ["--version", VERSION]),
            ("an installer that does not match SHA256SUMS", stale_sums, ["--version", VERSION]),
            ("installers of another version", None, ["--version", "7.11"]),
            ("a version that is not x.y.z", None, ["--version", "7.10 beta"]),
            ("an address that is not http(s)", None, ["--version", VERSION, "--url", "ftp://example.com/b"]),
        ]
        for number, (name, spoil, args) in enumerate(refusals):
            release, refused_out = temp / f"refused-{number}", temp / f"refused-out-{number}"
            shutil.copytree(temp / "release", release)
            if spoil:
                spoil(release)
            run = run_generator(release, refused_out, *args)
            check(f"refuses {name}", run.returncode != 0 and run.stderr.strip() and not refused_out.exists(),
                  f"exit {run.returncode}, {run.stderr.strip()!r}")

    print(f"{'FAILED' if failures else 'ok'}: package manifests, {failures} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
