#!/usr/bin/env python3
"""The command lines' texts and their translations (Qt .ts files).

The texts go through Tr("...") and TrCount(n, "...", "...") rather than tr(), which lupdate
does not see (TrNoop("...") marks a text translated later, where it is shown); this script
stands in for it:

  translations.py check CONTEXT FILE.ts SOURCE...    every text translated, same %N in both,
                                                     no text the sources no longer have
  translations.py update CONTEXT FILE.ts SOURCE...   adds the texts missing from FILE.ts and
                                                     removes those the sources no longer have
"""
import re
import sys
import xml.etree.ElementTree as ET

CALL = re.compile(r'\bTr(Count|Noop)?\(')
LITERAL = re.compile(r'\s*"((?:[^"\\]|\\.)*)"')
ESCAPES = {'n': '\n', 't': '\t', '"': '"', '\\': '\\', "'": "'"}


def unescape(text):
    return re.sub(r'\\(.)', lambda m: ESCAPES.get(m.group(1), m.group(1)), text)


def literal_at(code, at):
    """The string of adjacent literals from `at`, and where it ends; None when there is none."""
    parts = []
    while True:
        match = LITERAL.match(code, at)
        if not match:
            break
        parts.append(unescape(match.group(1)))
        at = match.end()
    return ("".join(parts), at) if parts else (None, at)


def texts(sources):
    found = []
    for path in sources:
        code = open(path, encoding='utf-8').read()
        code = re.sub(r'//[^\n]*', lambda m: '' if '"' not in m.group(0)[:2] else m.group(0), code)
        for call in CALL.finditer(code):
            at = call.end()
            if call.group(1) == 'Count':  # TrCount: skip the count
                depth = 0
                while at < len(code) and not (code[at] == ',' and depth == 0):
                    depth += code[at] in '([{'
                    depth -= code[at] in ')]}'
                    at += 1
                at += 1
            for _ in range(2 if call.group(1) == 'Count' else 1):
                text, at = literal_at(code, at)
                if text is None:
                    break
                if text not in found:
                    found.append(text)
                at = code.find(',', at) + 1
    return found


def placeholders(text):
    return sorted(set(re.findall(r'%\d', text)))


def load(ts_path, context):
    try:
        tree = ET.parse(ts_path)
    except FileNotFoundError:
        root = ET.Element('TS', version='2.1', language=ts_path.rsplit('_', 2)[-2] + '_' + ts_path.rsplit('_', 1)[-1][:-3])
        tree = ET.ElementTree(root)
    root = tree.getroot()
    node = next((c for c in root.findall('context') if c.findtext('name') == context), None)
    if node is None:
        node = ET.SubElement(root, 'context')
        ET.SubElement(node, 'name').text = context
    return tree, node


def main():
    if len(sys.argv) < 5 or sys.argv[1] not in ('check', 'update'):
        print(__doc__, file=sys.stderr)
        return 2
    command, context, ts_path, sources = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    tree, node = load(ts_path, context)
    translated = {m.findtext('source'): m.find('translation') for m in node.findall('message')}
    problems = []
    used = texts(sources)
    for message in node.findall('message'):
        if message.findtext('source') in used:
            continue
        if command == 'update':
            node.remove(message)
        else:
            problems.append('no longer in the sources: ' + repr(message.findtext('source')))
    for text in used:
        translation = translated.get(text)
        if translation is None:
            if command == 'update':
                message = ET.SubElement(node, 'message')
                ET.SubElement(message, 'source').text = text
                ET.SubElement(message, 'translation', type='unfinished')
            problems.append('not in the file: ' + repr(text))
        elif not translation.text or translation.get('type') == 'unfinished':
            problems.append('not translated: ' + repr(text))
        elif placeholders(translation.text) != placeholders(text):
            problems.append('placeholders differ: ' + repr(text))
    if command == 'update':
        ET.indent(tree)
        tree.write(ts_path, encoding='utf-8', xml_declaration=True)
        return 0
    for problem in problems:
        print(ts_path + ': ' + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
