#!/bin/sh
# Copies the help sources into DEST with the pages and sitemap files in the
# help file's own code page (936): the sources are kept in UTF-8 for editing,
# but readers decode a compiled file's sitemap files, and some its pages, by
# the file's language whatever a page's charset says.
# usage: stage_sources.sh SOURCE_DIR DEST_DIR
set -eu
src=$1
dest=$2
rm -rf "$dest.tmp"
mkdir -p "$dest.tmp"
cp -R "$src/." "$dest.tmp/"
find "$dest.tmp" -type f \( -name '*.htm' -o -name '*.hhc' -o -name '*.hhk' \) | while read -r f; do
  sed 's/charset=\("\{0,1\}\)utf-8/charset=\1gb2312/' "$f" | iconv -f UTF-8 -t GBK > "$f.gbk"
  mv "$f.gbk" "$f"
done
rm -rf "$dest"
mv "$dest.tmp" "$dest"
