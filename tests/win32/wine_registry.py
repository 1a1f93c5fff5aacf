"""Wine's registry files (system.reg, user.reg, userdef.reg) as the tests read them, and the
values Wine itself rewrites on any program start, which no test may hold against Brisko."""
import re

# Values the platform itself rewrites on any program start, not ours to judge:
# (file, key, value name) as regular expressions over the lower-case names.
EXCEPTIONS = [
    # Wine caches what it learnt of the host's fonts when a program first draws text.
    (r"user\.reg", r"software\\wine\\fonts.*", r".*"),
    # ... and lists those fonts where Windows programs look for them.
    (r"system\.reg", r"software\\microsoft\\windows( nt)?\\currentversion\\fonts", r".*"),
    # Wine's display driver stamps the display adapter's driver date at each start.
    (r"system\.reg", r"system\\currentcontrolset\\control\\class\\\{4d36e968-e325-11ce-bfc1-08002be10318\}\\\d+", r"driverdatedata"),
    # The first console of the session (the started lines' cmd.exe) writes its defaults.
    (r"user\.reg", r"console(\\.*)?", r".*"),
]

# Which file holds which root, and the part of the key path the file leaves out.
FILES = {0x80000001: ("user.reg", ""), 0x80000002: ("system.reg", ""),
         0x80000003: ("userdef.reg", ".default\\")}


def parse_reg(path):
    """{(lower-case key, lower-case value name): the value's text as Wine writes it}."""
    values = {}
    key = None
    lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
    i = 0
    while i < len(lines):
        line = lines[i]
        while line.endswith("\\") and i + 1 < len(lines):
            i += 1
            line = line[:-1] + lines[i].strip()
        i += 1
        if line.startswith("["):
            key = line[1:line.rindex("]")].replace("\\\\", "\\").lower()
        elif key is not None and (line.startswith('"') or line.startswith("@")):
            if line.startswith("@"):
                name, data = "@", line[2:]
            else:
                match = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)', line)
                if not match:
                    continue
                name, data = match.group(1).replace('\\"', '"').replace("\\\\", "\\"), match.group(2)
            values[(key, name.lower())] = data
    return values


def parse_keys(path):
    """The lower-case names of every key in the file, with or without values."""
    keys = set()
    for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
        if line.startswith("["):
            keys.add(line[1:line.rindex("]")].replace("\\\\", "\\").lower())
    return keys


def excepted(entry):
    """Whether (file, key, name) is one of the values Wine rewrites on its own."""
    file, key, name = entry
    return any(re.fullmatch(f, file) and re.fullmatch(k, key) and re.fullmatch(n, name)
               for f, k, n in EXCEPTIONS)


def entry(root, key, name):
    """(file, lower-case key as the file has it, lower-case name) of a value below root."""
    file, prefix = FILES[root]
    key = key.lower()
    if prefix:
        assert key.startswith(prefix), key
        key = key[len(prefix):]
    return file, key, name.lower()


def snapshot(folder):
    """{(file, key, name): text} of the three registry files in folder."""
    return {(name, *k): v for name in ("system.reg", "user.reg", "userdef.reg")
            for k, v in parse_reg(folder / name).items()}
