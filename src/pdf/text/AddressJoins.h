// pdf::joinAddresses — where a printed web or e-mail address goes on past the
// end of a line, and where it ends: the joins that the page text (TextPage.h)
// reads, decided in one place, beside the hyphen join of the layout.
//
// A typesetter breaks an address where it runs out of room, after or before
// one of its separators; an address also often ends a line, a sentence, a
// list item or a table cell. The evidence that tells the two apart, from both
// sides of the break:
//   - the characters: what the address ends in, what the next line starts
//     with (rules 1 to 4 below, in TextPage.h's words: "https://wiki.example."
//     over "org/Maintainers" is one address, "see https://example.org/" over
//     "for details" is not);
//   - the room: a line that a typesetter broke because the next piece did not
//     fit leaves less room before its flow's (or its table cell's) far edge
//     than that piece takes (a piece ends at a separator, not at a hyphen:
//     TeX's url package never breaks there, so "…/blog/" over
//     "ipython-notebooks-and-git.html" with room for "ipython-" was forced).
//     An address that ends with room to spare for the
//     next line's first piece ended there ("http://tool.example.net." over
//     "othertool", a list item's "http://www.example.org/" over the next
//     item's "symbols/symbolsX.txt");
//   - the font: an address set in a font of its own (a typewriter font in
//     body text) goes on where the next line starts in that font, whatever
//     the word looks like ("…/wiki/" over "Reproducibility",
//     "…/UploadQueue/" over "README"); a next line in the body font is no
//     such evidence, and neither is the font of a block set all in it (the
//     word before the address in its font: "Discuss ne at
//     http://groups.google.com/group/niceeditor/" over "Github repo: …");
//   - the table: a table cell's lines continue the cell's address
//     ("https://lists.example.net/" over "mailman/listinfo/users" in one cell;
//     line after line in a narrow column: "http://leadshineusa.com/-" over
//     "UploadFile/-" over "Down/-" over "DM422m.pdf"),
//     a row of a key and its address goes on under the key ("Link:" and
//     "http://…/presentations/" over "Multicore2016-JLG.pdf"),
//     and nothing joins across cells or rows ("…/projects/abc5/" and the next
//     row's name cell "xyzdrv/newdb"); a line of a table that is no row of
//     cells goes on under any of its words (a reference beside its key, with
//     a hanging indent: "[Mas00] Brian Maso. … http://docslide.us/documents/"
//     over "java-protocol-handler.html"); a cell's next line may be indented
//     by up to two ems, as word processors indent it ("…/102280/01.01.01"
//     over "   _60/ts_102280v010101p.pdf");
//   - footnote marks: a raised, smaller glyph right after an address is a
//     mark, not part of it ("…/mailman/list-user" with a raised "2").
//
// The rules, each with the line that taught it:
//   1. A line ends inside an address when its last word holds the start of one
//      (a scheme "http://", "https://", "ftp://", "www.", an e-mail's "@")
//      with only address characters after it.
//   2. Where the address cannot end (right after its scheme, "www." or "@",
//      or in one of - _ = & # % ~ + @, the non-breaking hyphen U+2011, the
//      hyphen U+2010, the soft hyphen U+00AD that fonts with their hyphen at
//      Latin-1's 0xAD print, and the tildes TeX and Doxygen print, U+02DC
//      and U+223C, among them): the next line's first word goes on with
//      it when made of address characters, in the same paragraph or after a
//      hanging indent ("https://" over "www.example.org"; "project‑" over
//      "boot@lists.example.org", the hyphen kept; "<ngspice-" over
//      "devel@lists.sourceforge.net>", an e-mail's local part after an
//      opening bracket, its ">" no part of the address; after "=" an e-mail
//      address too, a query's value: "…/developer.php?login=" over
//      "pkg-ruby-extras-maintainers@lists.alioth.debian.org"). A web
//      archive's address up to a capture's time cannot end either, and goes
//      on with the address it archived ("https://web.archive.org/web/
//      20201130113133/" over "http://www.piprime.fr/asymptote").
//   3. Where it may end (in / . : ? or a letter or digit): the next word must
//      be a piece of an address ("org/Maintainers", "example.com",
//      "tsp?docNumber=4&fileType=pdf"), a host's last label after a dot
//      ("org"), a file type after a dot in a path ("index." over "html"), or
//      start with a separator after a letter ("/docs"); and the break must
//      have been forced (the room, above), and the next word not set in the
//      body font while the address has a font of its own. A break that was
//      forced, over a piece of an address, joins across a paragraph break of
//      the layout too (a long address line ends a paragraph as the layout
//      sees it: "…/cgi-bin/" over "tsp?docNumber=4&fileType=pdf"). After a
//      dot that ends a path or a host named by letters, digits and dots
//      alone are no piece: a number that starts the next line
//      ("…/ekv_v262.pdf." over a heading's "11.2.13", "https://www.
//      cfengine.com." over "5.10"). After the dot of a path or of a host that
//      is a name of its own, a capital starts a sentence or the next entry of
//      a list ("URL https://eigen.tuxfamily.org." over a bibliography's next
//      "ISO/IEC (2011)"; "https://wiki.example." over "org/…" still goes on).
//      A colon in a path ends it: it introduces what follows
//      ("…/Coco/:" over a list's "Taste.ATG"); in a host a port follows.
//      Also joined: with no room needed, a file's type after the dot of a path's last
//      name (TeX breaks a line short where that sets its paragraph better:
//      "…/adns/adns.tar." over "gz.") and a next line that starts with a
//      percent escape, which no prose does, in a path or a fragment
//      ("…_%28Brown-Driver-Briggs" over "%29.djvu/25,", "…#HTTP%28S" over
//      "%29_Test_Script_Recorder"); and, once forced, a path broken
//      inside a name over a piece that no prose has, one holding a host's
//      label, a query or digits beside a slash, not a number ("…/28/
//      bioinforma" over "tics.btv184.abstract?keytype=ref", as word
//      processors break what does not fit; "…/cluster_job.py" over a
//      heading's "2.16" ends there). After a path's slash, once forced, a
//      name no prose has: in camel case, holding digits, or a wiki's
//      namespace ("…/wiki/" over "Relation:multipolygon"); and a single word
//      before the full stop that ends the sentence, alone on its line or
//      holding more than letters, which prose after an address seldom is
//      ("See https://www.gnu.org/" over "copyleft.", "…/listinfo/" over
//      "pyx-user. The archive"; not German's "…/" over "angegeben. Durch").
//   4. After / or . in a path, in an address set in a font of its own: a
//      forced break over a word in that font goes on whatever the word is
//      ("…/projects/" over "toolname.", "…/Bugs/" over "Reporting."), but
//      for a capital after a dot, which starts a sentence ("…/files/." over
//      "Unzip the archive").
//   5. Never: into a line set in another size (a tenth apart: a heading, a
//      note: "www.freefem.org/ff++" over a section's "1 Outline"), over a
//      word that is an address of its own (a list of
//      addresses; a scheme after "/" or "=" inside the word is a path's or a
//      query's: "https://web." over "archive.org/web/20081204104459/http://…"
//      goes on) or a list item's number ("http://infrarecorder.org/-" over
//      "2. Insert a blank CD"), after ) ] ' " closed the address before a last punctuation
//      mark, into another flow (but for the next line right under the
//      address where the address cannot end or where a key on its row before
//      it starts where that line does: a justified "Link:  http://…/~rlink-
//      debugger-programmer__" whose stretched space parted the key from the
//      address, over "microcontrollers__tool~tool__T018:4cn9ziz4bnx6.html"),
//      or between lines of a table but a cell's own.
//   6. An address set in brackets right after its opening one goes on over a
//      forced break in its paragraph with a next word that closes the bracket
//      after address characters ("Qt Creator [https://www.qt.io/" over
//      "development-tools] is the fastest", as DocBook prints a link's address),
//      and over any break when those characters are a piece of an address:
//      the room is no measure where addresses too long for any line run past
//      the column's edge ("(http://www.unicode.org/Public/4.0-Update/" over
//      "UnicodeData-4.0.0.txt)").
//   7. A hyphen right after a slash is the publisher's break mark and is left
//      out ("https://gitlab.com/-" over "group/project/"), unless the next
//      line starts with a slash.
//   8. A hyphen between letters at a line end is the address's own, unless
//      the document writes the two pieces together, and with a hyphen
//      nowhere or seldom and never in an address: a typesetter that
//      hyphenates addresses like words ("[https://bugs.freedesk-" over "top.org/]" in a text that also writes
//      "freedesktop.org's"; FOP's "…/soft-" over "ware/glpk/" in a manual
//      that writes "software"; "…/De/On-" over "line-Banking" in one that
//      writes "Online" 84 times and "On-line" 12, none in an address). It is
//      then left out. The words weighed are the document's
//      (DocumentWords.h), the page's own when there is no open document to
//      read. Where they say nothing, the document's habit does:
//      in a document whose typesetter hyphenates its addresses like words
//      (three and more of its breaks by their words, and few the other way),
//      a "-" or soft hyphen is left out too ("…/gpx_re-" over "sources.asp"),
//      but in a number ("…/9001c8de-" over "c19e-41a0/") or between two
//      words the document writes ("…/1408356/keyboard-" over
//      "interrupts-with-pool"). A typewriter font is no evidence either way: FOP
//      hyphenates "https://wiki.de-" over "bian.org/…" in one; TeX's url
//      package breaks "…/wiki/Building-on-Mac-" over "OS-X-(Homebrew)" at the
//      address's own hyphen in a book that writes "macOS", which reads
//      wrongly.
//
// Coordinates: the characters' quads, in any one frame (TextPage's user
// space); distances are measured along each line's own writing direction, so
// turned pages and lines read the same.
//
// Work: one look at each line's last word and the next line's first word, one
// pass over the page's characters for lines' ends and fonts; linear. Rule 8
// may have the document's words read (DocumentWords.h), once per document.
// Throws std::bad_alloc only.
#pragma once

#include <vector>

#include "pdf/text/DocumentWords.h"
#include "pdf/text/TextPage.h"

namespace pdf {

// Sets, for each address that goes on: TextLine::hyphenJoined and
// addressJoined on a line whose address goes on at the next line; TextWord::
// joinsNext on a word whose address goes on at the next word of its table
// cell (the cell's next line); TextWord::markChars on a word that ends in a
// footnote mark after an address.
// REQUIRES: lines in reading order, words and chars as TextPage holds them;
// hyphenJoined already set where the layout joins a hyphenated word.
// document: the page's document's words, or nullptr to weigh hyphens against
// the page's own (rule 8).
void joinAddresses(const std::vector<TextChar>& chars, std::vector<TextWord>& words,
                   std::vector<TextLine>& lines, DocumentWords* document);

}  // namespace pdf
