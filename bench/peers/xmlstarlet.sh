#!/usr/bin/env bash
# The three edits with xmlstarlet: a backup copy, then one XSLT transform into a new file that
# replaces the MeInit. Run in the folder holding MeInit.xml and Filename1..3.xml.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cp MeInit.xml "Meinit backup.xml"
# The /addpredif file has two top-level elements, which libxml2 refuses: wrap it.
{ echo "<Predefined>"; sed '1{/^<?xml/d}' Filename2.xml; echo "</Predefined>"; } >Filename2.wrapped.xml
# document() takes names relative to the stylesheet, so the inputs are named in full.
xmlstarlet tr "$here/edits.xsl" -s allow="$PWD/Filename1.xml" -s addpredif="$PWD/Filename2.wrapped.xml" \
    -s weapons="$PWD/Filename3.xml" MeInit.xml >MeInit.xml.new
mv MeInit.xml.new MeInit.xml
