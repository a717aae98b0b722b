#!/usr/bin/env python3
"""Builds a manual page from a program's own help text, so the two never disagree.

  help-to-man.py --name NAME --summary TEXT --version V --out FILE.1 PROGRAM [SUBCOMMAND...]

Runs `PROGRAM --help` (and `PROGRAM SUBCOMMAND --help` for each subcommand, each a section of
its own; "encode --dvd" names a form of a subcommand) in the environment it is given (LC_ALL picks the language) and writes the page.
"""
import argparse
import datetime
import os
import subprocess
import sys


def escape(line):
    line = line.replace('\\', '\\e').replace('-', '\\-')
    if line.startswith(('.', "'")):
        line = '\\&' + line
    return line


def help_text(command):
    done = subprocess.run(command + ['--help'], capture_output=True, text=True, check=True)
    return done.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--name', required=True)
    parser.add_argument('--summary', required=True)
    parser.add_argument('--version', required=True)
    parser.add_argument('--out', required=True)
    parser.add_argument('program')
    parser.add_argument('subcommands', nargs='*')
    args = parser.parse_args()

    epoch = os.environ.get('SOURCE_DATE_EPOCH')
    date = datetime.date.fromtimestamp(int(epoch)) if epoch else datetime.date.today()
    lines = ['.TH %s 1 "%s" "Tarn Media %s" "User Commands"' % (args.name.upper(), date.isoformat(), args.version),
             '.SH NAME', '%s \\- %s' % (args.name, escape(args.summary)), '.SH DESCRIPTION', '.nf']
    lines += [escape(line) for line in help_text([args.program]).splitlines()]
    lines.append('.fi')
    for subcommand in args.subcommands:
        lines += ['.SS "%s %s"' % (args.name, subcommand), '.nf']
        lines += [escape(line) for line in help_text([args.program] + subcommand.split()).splitlines()]
        lines.append('.fi')
    with open(args.out, 'w', encoding='utf-8') as page:
        page.write('\n'.join(lines) + '\n')
    return 0


if __name__ == '__main__':
    sys.exit(main())
