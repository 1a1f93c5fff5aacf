#!/usr/bin/env python3
"""Writes the winget manifest set and the Chocolatey package source for a Brisko release.

    package_manifests.py RELEASE_DIR OUT_DIR [--version V] [--url BASE]

RELEASE_DIR is what scripts/release makes (build/release): brisko-<V>-setup.exe (x86, installs
the 32-bit program), brisko64-<V>-setup.exe (x64, the 64-bit one) and SHA256SUMS. The hashes
are computed from the installers themselves, and checked against SHA256SUMS when it is there,
so a manifest can never name a stale or half-copied file.

Writes
    OUT_DIR/winget/Brisko.Brisko.yaml                  (version manifest)
    OUT_DIR/winget/Brisko.Brisko.installer.yaml
    OUT_DIR/winget/Brisko.Brisko.locale.en-US.yaml     (default locale)
    OUT_DIR/chocolatey/brisko.nuspec
    OUT_DIR/chocolatey/tools/chocolateyInstall.ps1
    OUT_DIR/chocolatey/tools/chocolateyUninstall.ps1

The version is --version, else the one in the top CMakeLists.txt. Every download address is
BASE + "/" + the installer's file name, BASE being --url (the release scripts pass
BRISKO_RELEASE_URL); without it the files carry a placeholder address under example.invalid
and a note says so.

The release is byte-reproducible and these files may be published with it, so the output
depends only on the inputs: fixed key order, no dates, LF line endings, plain ASCII scripts.
Only the standard library is used, so Debian's /usr/bin/python3 runs it as it is.
"""

import argparse
import hashlib
import os
import re
import sys
from pathlib import Path
from xml.sax.saxutils import escape as xml_escape

PACKAGE_ID = "Brisko.Brisko"
CHOCOLATEY_ID = "brisko"
MANIFEST_VERSION = "1.10.0"
DEFAULT_LOCALE = "en-US"
PUBLISHER = "Brisko"
PACKAGE_NAME = "Brisko"
# The uninstall key both installers write (installer/brisko.nsi); for an exe installer winget
# uses the key's name as the product code when it matches installed programs to packages.
UNINSTALL_KEY_NAME = "Brisko"
# The README grants no licence, so none is claimed.
LICENSE = "Proprietary"
SHORT_DESCRIPTION = "Tunes Windows with one button: services, registry settings, disk and clean-up."
DESCRIPTION = (
    "Brisko is a Windows tuning utility for people without technical knowledge. Its main "
    "window has one button, Optimize, that stops and disables a list of Windows services, "
    "writes registry settings, starts disk and file-system commands, removes the desktop "
    "wallpaper and empties the clipboard, the recycle bins, the Windows temp folder and the "
    "browser's URL history. Before a run changes anything it saves the settings the run "
    "replaces, and /undo (or the Start menu's \"Undo the last Optimize\") puts them back; "
    "deleted files and the emptied bins do not come back."
)
TAGS = ["cleanup", "optimizer", "registry", "services", "tuning"]
CHOCOLATEY_TAGS = ["brisko", "admin", "optimizer", "tuning", "cleanup", "registry", "services"]

PLACEHOLDER_URL = "https://example.invalid/brisko/releases/{version}"

# (winget architecture, Chocolatey's name for it, installer file name); winget lists them in
# this order, sorted by architecture.
INSTALLERS = [
    ("x64", "64", "brisko64-{version}-setup.exe"),
    ("x86", "32", "brisko-{version}-setup.exe"),
]

# A version both winget (any text without \/:*?"<>|) and NuGet (numeric, optional pre-release
# label) accept.
VERSION_PATTERN = re.compile(r"^[0-9]+(\.[0-9]+){1,3}(-[0-9A-Za-z]+([.-][0-9A-Za-z]+)*)?$")


def schema_url(kind):
    # The $id of winget's schema of that manifest kind; editors and winget's own tools read
    # the yaml-language-server line to find it.
    return f"https://aka.ms/winget-manifest.{kind}.{MANIFEST_VERSION}.schema.json"


# ---------------------------------------------------------------------------------------------
# YAML, written by hand so that nothing outside the standard library is needed.

class Quoted(str):
    """A string always written quoted, whatever it looks like (a hash, a version)."""


# Words YAML 1.1 readers (PyYAML, and others winget tooling uses) turn into booleans or null.
_YAML_WORDS = {
    "y", "n", "yes", "no", "on", "off", "true", "false", "null", "~",
}
# A plain scalar that begins with a letter and holds only these characters cannot be read as
# anything but a string (numbers, dates and times begin with a digit, sign or dot); ": " and
# " #" are excluded separately, and it must not end in a colon.
_YAML_PLAIN = re.compile(r"^[A-Za-z][A-Za-z0-9 _./:()+,'-]*$")


def yaml_quoted(text):
    """The single-quoted YAML form of text: loads back as exactly that string."""
    if any(ord(c) < 0x20 or c == "\x7f" for c in text):
        raise ValueError(f"control character in YAML value {text!r}")
    return "'" + text.replace("'", "''") + "'"


def yaml_scalar(value):
    """value as a YAML scalar: plain where that is unambiguously the same string, else quoted."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, int):
        return str(value)
    if not isinstance(value, str):
        raise TypeError(f"no YAML form for {value!r}")
    if (
        isinstance(value, Quoted)
        or not _YAML_PLAIN.match(value)
        or value.lower() in _YAML_WORDS
        or ": " in value
        or " #" in value
        or value.endswith((":", " "))
    ):
        return yaml_quoted(value)
    return value


def yaml_lines(mapping, indent=0):
    """Block-style lines for a dict of scalars, lists and dicts, keys in their given order."""
    pad = " " * indent
    lines = []
    for key, value in mapping.items():
        if isinstance(value, dict):
            lines.append(f"{pad}{key}:")
            lines.extend(yaml_lines(value, indent + 2))
        elif isinstance(value, list):
            lines.append(f"{pad}{key}:")
            for item in value:
                if isinstance(item, dict):
                    # The item's own lines, indented past the dash; the dash takes the place
                    # of the first line's last two spaces.
                    item_lines = yaml_lines(item, indent + 2)
                    item_lines[0] = f"{pad}- " + item_lines[0][indent + 2:]
                    lines.extend(item_lines)
                else:
                    lines.append(f"{pad}- {yaml_scalar(item)}")
        else:
            lines.append(f"{pad}{key}: {yaml_scalar(value)}")
    return lines


def yaml_document(kind, mapping):
    return "\n".join([f"# yaml-language-server: $schema={schema_url(kind)}"] + yaml_lines(mapping)) + "\n"


# ---------------------------------------------------------------------------------------------
# The release folder

class ReleaseError(Exception):
    pass


def cmake_version(repo_root):
    text = (repo_root / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"^\s*project\s*\(\s*brisko\s+VERSION\s+([0-9][0-9.]*)", text, re.M | re.I)
    if not match:
        raise ReleaseError(f"no 'project(brisko VERSION x.y.z' in {repo_root / 'CMakeLists.txt'}")
    return match.group(1)


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def read_sha256sums(path):
    """{file name: lower-case hash} from a sha256sum listing (text or binary mode)."""
    sums = {}
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip():
            continue
        match = re.match(r"^([0-9A-Fa-f]{64}) [ *](.+)$", line)
        if not match:
            raise ReleaseError(f"{path}:{number}: not a sha256sum line: {line!r}")
        sums[match.group(2)] = match.group(1).lower()
    return sums


def release_installers(release_dir, version):
    """[(winget arch, Chocolatey bits, file name, lower-case sha256)] in INSTALLERS order."""
    names = [(arch, bits, pattern.format(version=version)) for arch, bits, pattern in INSTALLERS]
    missing = [name for _, _, name in names if not (release_dir / name).is_file()]
    if missing:
        present = sorted(p.name for p in release_dir.glob("brisko*-setup.exe"))
        raise ReleaseError(
            f"{release_dir} has no {', '.join(missing)} (version {version}); "
            f"installers there: {', '.join(present) or 'none'}"
        )
    listed = None
    if (release_dir / "SHA256SUMS").is_file():
        listed = read_sha256sums(release_dir / "SHA256SUMS")
    result = []
    for arch, bits, name in names:
        sha = sha256_of(release_dir / name)
        if listed is not None and listed.get(name) != sha:
            raise ReleaseError(
                f"{release_dir / 'SHA256SUMS'} lists {name} as {listed.get(name, 'nothing')}, "
                f"the file's SHA-256 is {sha}"
            )
        result.append((arch, bits, name, sha))
    return result


# ---------------------------------------------------------------------------------------------
# winget

def winget_files(version, installers, base_url):
    common = {"PackageIdentifier": PACKAGE_ID, "PackageVersion": Quoted(version)}
    version_manifest = dict(common)
    version_manifest.update(
        DefaultLocale=DEFAULT_LOCALE,
        ManifestType="version",
        ManifestVersion=Quoted(MANIFEST_VERSION),
    )
    # Both installers are NSIS ones: winget already passes /S for a silent install and
    # /D=<path> for a chosen folder to a nullsoft installer, so no InstallerSwitches are
    # needed. They ask for administrator rights themselves (RequestExecutionLevel admin) and
    # install for all users; installing over an earlier version replaces it in place, under
    # the same uninstall key, hence "install" as the upgrade.
    installer_manifest = dict(common)
    installer_manifest.update(
        InstallerType="nullsoft",
        Scope="machine",
        ElevationRequirement="elevatesSelf",
        UpgradeBehavior="install",
        ProductCode=UNINSTALL_KEY_NAME,
        Installers=[
            {
                "Architecture": arch,
                "InstallerUrl": f"{base_url}/{name}",
                # Quoted always: a hash of digits only, or like 1e5, would otherwise be read
                # back as a number.
                "InstallerSha256": Quoted(sha.upper()),
            }
            for arch, _, name, sha in installers
        ],
        ManifestType="installer",
        ManifestVersion=Quoted(MANIFEST_VERSION),
    )
    locale_manifest = dict(common)
    locale_manifest.update(
        PackageLocale=DEFAULT_LOCALE,
        Publisher=PUBLISHER,
        PackageName=PACKAGE_NAME,
        PackageUrl=base_url,
        License=LICENSE,
        ShortDescription=SHORT_DESCRIPTION,
        Description=DESCRIPTION,
        Moniker="brisko",
        Tags=TAGS,
        ManifestType="defaultLocale",
        ManifestVersion=Quoted(MANIFEST_VERSION),
    )
    return {
        f"winget/{PACKAGE_ID}.yaml": yaml_document("version", version_manifest),
        f"winget/{PACKAGE_ID}.installer.yaml": yaml_document("installer", installer_manifest),
        f"winget/{PACKAGE_ID}.locale.{DEFAULT_LOCALE}.yaml": yaml_document("defaultlocale", locale_manifest),
    }


# ---------------------------------------------------------------------------------------------
# Chocolatey

def ps_quoted(text):
    """A single-quoted PowerShell string: nothing in it is expanded."""
    return "'" + text.replace("'", "''") + "'"


def nuspec(version, base_url):
    def element(name, text):
        return f"    <{name}>{xml_escape(text)}</{name}>"

    return "\n".join([
        '<?xml version="1.0" encoding="utf-8"?>',
        '<package xmlns="http://schemas.microsoft.com/packaging/2015/06/nuspec.xsd">',
        "  <metadata>",
        element("id", CHOCOLATEY_ID),
        element("version", version),
        element("title", PACKAGE_NAME),
        element("authors", PUBLISHER),
        element("owners", PUBLISHER),
        element("projectUrl", base_url),
        element("requireLicenseAcceptance", "false"),
        element("tags", " ".join(CHOCOLATEY_TAGS)),
        element("summary", SHORT_DESCRIPTION),
        element("description", DESCRIPTION),
        "  </metadata>",
        "  <files>",
        # Backslash as Chocolatey's own template has it: choco pack runs on Windows.
        '    <file src="tools\\**" target="tools" />',
        "  </files>",
        "</package>",
    ]) + "\n"


def chocolatey_install(version, installers, base_url):
    by_bits = {bits: (name, sha) for _, bits, name, sha in installers}
    name32, sha32 = by_bits["32"]
    name64, sha64 = by_bits["64"]
    return f"""\
# Installs Brisko {version} with its NSIS installer: the 64-bit program on 64-bit Windows, the
# 32-bit one elsewhere (or with --forcex86). Written by scripts/package_manifests.py.
$ErrorActionPreference = 'Stop'

$packageArgs = @{{
  packageName    = $env:ChocolateyPackageName
  softwareName   = {ps_quoted(PACKAGE_NAME)}
  fileType       = 'exe'
  url            = {ps_quoted(f"{base_url}/{name32}")}
  checksum       = {ps_quoted(sha32)}
  checksumType   = 'sha256'
  url64bit       = {ps_quoted(f"{base_url}/{name64}")}
  checksum64     = {ps_quoted(sha64)}
  checksumType64 = 'sha256'
  silentArgs     = '/S'
  validExitCodes = @(0)
}}

Install-ChocolateyPackage @packageArgs
"""


def chocolatey_uninstall():
    return f"""\
# Removes Brisko with the uninstaller its installer left in the install folder (uninstall.exe,
# silent with /S). Written by scripts/package_manifests.py.
$ErrorActionPreference = 'Stop'

$packageArgs = @{{
  packageName    = $env:ChocolateyPackageName
  softwareName   = {ps_quoted(PACKAGE_NAME)}
  fileType       = 'exe'
  silentArgs     = '/S'
  validExitCodes = @(0)
}}

# Both installers register the uninstall key {UNINSTALL_KEY_NAME}, the 32-bit one in the
# 32-bit registry view; the helper searches both views and, given no wildcard, matches the
# display name exactly. The uninstall string is the quoted path of uninstall.exe, and the
# quotes must go before Chocolatey can start it.
[array]$uninstallers = Get-UninstallRegistryKey -SoftwareName $packageArgs['softwareName'] |
  Where-Object {{ $_.Publisher -eq {ps_quoted(PUBLISHER)} -and $_.UninstallString }} |
  ForEach-Object {{ $_.UninstallString.Trim('"') }}

# No key (removed by a registry cleaner, say): the uninstaller may still be in a Program Files.
if ($uninstallers.Count -eq 0) {{
  [array]$uninstallers = @($env:ProgramW6432, $env:ProgramFiles, ${{env:ProgramFiles(x86)}}) |
    Where-Object {{ $_ }} |
    ForEach-Object {{ Join-Path $_ 'Brisko\\uninstall.exe' }} |
    Where-Object {{ Test-Path -LiteralPath $_ }}
}}

if ($uninstallers.Count -eq 0) {{
  Write-Warning "$($packageArgs['packageName']) has already been uninstalled by other means."
  return
}}

# Both programs can be installed side by side (one from each installer); remove every copy.
foreach ($uninstaller in ($uninstallers | Select-Object -Unique)) {{
  $packageArgs['file'] = $uninstaller
  Uninstall-ChocolateyPackage @packageArgs
  # An NSIS uninstaller copies itself to the temp folder and returns while the copy works:
  # wait for it to delete the original, so that Chocolatey finishes after Brisko is gone.
  for ($i = 0; $i -lt 120 -and (Test-Path -LiteralPath $uninstaller); $i++) {{
    Start-Sleep -Milliseconds 500
  }}
  if (Test-Path -LiteralPath $uninstaller) {{
    Write-Warning "$uninstaller is still there a minute after it was started."
  }}
}}
"""


def chocolatey_files(version, installers, base_url):
    return {
        f"chocolatey/{CHOCOLATEY_ID}.nuspec": nuspec(version, base_url),
        "chocolatey/tools/chocolateyInstall.ps1": chocolatey_install(version, installers, base_url),
        "chocolatey/tools/chocolateyUninstall.ps1": chocolatey_uninstall(),
    }


# ---------------------------------------------------------------------------------------------

def generate(release_dir, version, base_url):
    """{path under OUT_DIR: text} for a release folder."""
    if not VERSION_PATTERN.match(version):
        raise ReleaseError(f"version {version!r} is not of the form 1.2.3 (optionally -label)")
    if not re.match(r"^[Hh][Tt][Tt][Pp][Ss]?://[^\s'\"<>]+$", base_url):
        raise ReleaseError(f"download address {base_url!r} is not an http(s) URL")
    base_url = base_url.rstrip("/")
    installers = release_installers(Path(release_dir), version)
    files = {}
    files.update(winget_files(version, installers, base_url))
    files.update(chocolatey_files(version, installers, base_url))
    for path, text in files.items():
        # Windows PowerShell reads a script without a byte-order mark in the ANSI code page,
        # so the scripts stay ASCII and then need none.
        if path.endswith(".ps1") and not text.isascii():
            raise ReleaseError(f"{path} would not be plain ASCII")
    return files


def write_files(out_dir, files):
    for relative in sorted(files):
        path = Path(out_dir) / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        with open(path, "wb") as f:
            f.write(files[relative].encode("utf-8"))
        os.chmod(path, 0o644)


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Write the winget manifests and the Chocolatey package source for a release folder.")
    parser.add_argument("release_dir", metavar="RELEASE_DIR")
    parser.add_argument("out_dir", metavar="OUT_DIR")
    parser.add_argument("--version", help="release version (default: the one in CMakeLists.txt)")
    parser.add_argument("--url", default="",
                        help="download folder of the installers (BRISKO_RELEASE_URL); "
                             "without it the manifests carry a placeholder address")
    args = parser.parse_args(argv)

    try:
        version = args.version or cmake_version(Path(__file__).resolve().parent.parent)
        base_url = args.url
        if not base_url:
            base_url = PLACEHOLDER_URL.format(version=version)
            print(f"note: no download address given (--url, from BRISKO_RELEASE_URL); the manifests "
                  f"carry the placeholder {base_url} and cannot be published as they are",
                  file=sys.stderr)
        files = generate(args.release_dir, version, base_url)
    except (ReleaseError, OSError) as error:
        print(f"package_manifests: {error}", file=sys.stderr)
        return 1
    write_files(args.out_dir, files)
    for relative in sorted(files):
        print(Path(args.out_dir) / relative)
    return 0


if __name__ == "__main__":
    sys.exit(main())
