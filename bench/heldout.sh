#!/usr/bin/env bash
# A held-out set of real PDFs for measuring the rules on documents they were not made on:
# the documentation that Debian 12 (bookworm) packages ship, fetched from the package
# archive with apt-get and checked against the SHA-256 sums listed below. The files are
# written by other people under many licences: they live outside the repository (default
# /work/heldout) and are never copied into it.
#
# The list was fixed before any file was looked at through quillonproxy. It mixes producers
# (pdfTeX, XeTeX/xdvipdfmx, LuaTeX, LuaMetaTeX, dblatex, Sphinx, texinfo, groff/gropdf,
# Ghostscript, Acrobat Distiller, Microsoft Word and PowerPoint, LibreOffice/OpenOffice/
# StarOffice, Quartz (Pages, Keynote, Word for Mac), cairo, Apache FOP, iText, Prawn and
# Asciidoctor PDF, FPDF, TCPDF, Matplotlib, Acrobat Web Capture, ...) and
# scripts (Latin, Cyrillic, Greek, CJK, Hangul, Arabic and Persian, Devanagari, Malayalam,
# Thai, Ethiopic, Myanmar, Khmer, Tifinagh, ...). Most print web or e-mail addresses, many
# with their authors' own link annotations. The packages gri-pdf-doc, gri, maxima-doc,
# r-base-core, r-doc-pdf, texlive-latex-base-doc, freefem, freefem-doc and freefem++ are left
# out on purpose: the rules were made on documents from them.
#
# Each entry: PACKAGE  PATH-IN-PACKAGE  SHA256  SCRIPT
#   PATH-IN-PACKAGE  the file as the package installs it; a ".gz" is unpacked, and the sum
#                    is the one of the unpacked PDF. It may hold spaces.
#   SHA256           of the PDF's bytes.
#   SCRIPT           the writing system (and language) of the running text, judged by eye.
#
# Flat file name: PACKAGE__NAME, NAME the file's own name (ending in ".pdf") without ".gz"
# and with white space turned into "_". When two entries would get the same flat name, each
# of them gets its parent folder's name in front: PACKAGE__PARENT_NAME.
#
# Split, fixed in advance and not to be changed after seeing its result: the first hex digit
# of the SHA-256 of the flat file name (of the name's bytes, e.g. "groff__mom-pdf.pdf", not
# of the file's): 0-7 go to DIR/tune/, 8-f to DIR/heldout/. Tune the rules on tune/ only;
# run heldout/ to measure, not to tune on.
#
# Usage:
#   bench/heldout.sh fetch [DIR]   downloads each listed package (apt-get download, into a
#                                  scratch folder under $TMPDIR), unpacks it with dpkg -x,
#                                  copies the listed PDFs into DIR/tune/ and DIR/heldout/
#                                  (DIR default /work/heldout) and writes a MANIFEST.md into
#                                  each: one table row per file with its package and version,
#                                  size, pages, Producer and Creator (pdfinfo), script, the
#                                  count of its web and e-mail link annotations (MuPDF) and
#                                  its first line of text. Earlier *.pdf files and manifests
#                                  in those two folders are replaced. A package that cannot
#                                  be fetched, a missing path or a checksum that differs is
#                                  reported on stderr, that file is left out, and the script
#                                  exits 1 at the end.
#   bench/heldout.sh list          prints which file goes where, without fetching.
#
# A folder with a MANIFEST.md is what the corpus tests read through QUILLON_CORPUS_DIR, e.g.
#   QUILLON_CORPUS_DIR=/work/heldout/tune build/tests/quillon_tests --gtest_filter='Corpus*'
# and bench/link-annotations.sh takes either folder as it is.
#
# Packages are downloaded, never installed. Needs apt-get, dpkg, pdfinfo and pdftotext
# (poppler-utils) and mutool (mupdf-tools); missing tools are installed.
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

entries() {
  cat <<'LIST'
alqalam  /usr/share/doc/alqalam/tb87fahmy.pdf  dc41f5b2a7002569858f23c38f49029441c514c1106164ba91a004e7ba2dd45e  Latin+Arabic
altos  /usr/share/doc/altos/altos.pdf.gz  c8215d63e7656d6959a9f9836feb9f769fc02fbcb3154ff5cc06f3e080347c17  Latin/en
asymptote-doc  /usr/share/doc/asymptote/asymptote.pdf  e17165321f74a5ec1b884cf20773cc43361df8f7fc707b071debf4ef707de051  Latin/en
auto-multiple-choice-doc-pdf  /usr/share/doc/auto-multiple-choice/auto-multiple-choice.ja.pdf  a567c7f8afb8c43160b23f80f678dbf7f0261610504531f3ca77230b2cc0cb97  CJK/ja
autoconf-doc  /usr/share/doc/autoconf/autoconf.pdf.gz  69fb25eabaffeb85f41c7fbbd552df154457c344d5c8288b6c5386124a32f767  Latin/en
bash-doc  /usr/share/doc/bash/bash.pdf  ebd1361fe662e7e6b7386da02986bda05a434f85667939f72356fa86de19dd6d  Latin/en
bash-doc  /usr/share/doc/bash/bashref.pdf  104971d389c0b9b7a261b0b3070a53b0d8cce6db1ffddefcc8423ddda92acd87  Latin/en
cups-filters  /usr/share/cups/data/form_russian.pdf  d86f81d968cf763f1355d57cb08c3a2891bd7fa8f8762afbd924f874bfcc7023  Cyrillic/ru
dblatex-doc  /usr/share/doc/dblatex/manual.pdf.gz  df5135701ca7b58397c26f405272b937a8fc9c605e33565f7cb0abac73495bc9  Latin/en
debian-edu-doc-zh-cn  /usr/share/doc/debian-edu-doc-zh-cn/debian-edu-bookworm-manual.pdf  ad8572d784e52cd2fdbd5c54231ddc6dc288f00e26046d941e2378499eb000db  CJK/zh-Hans
debian-faq  /usr/share/doc/debian/FAQ/debian-faq.en.pdf.gz  ea67ca925863324d97a30b5c926aed95efc687c689aa16788c9bed54525c0b47  Latin/en
debian-history  /usr/share/doc/debian-history/docs/project-history.de.pdf  17f966f5ec16d50a34b08bc4c4565e62da2ab1338109582f1df8baac9c1f6a31  Latin/de
debian-history  /usr/share/doc/debian-history/docs/project-history.ko.pdf  923fe14dbd5c464fc99e10ae081fa727e39298845cfdcb358982a4036871ca35  Hangul/ko
debian-policy  /usr/share/doc/debian-policy/fhs/fhs-3.0.pdf.gz  53d239e569a2d7b31a74fa09d585368c0f5a164e4624723fa2894660dd10fd23  Latin/en
debian-policy  /usr/share/doc/debian-policy/policy.pdf.gz  220f9366d6deb3984e84236f02f04bdd6275d6fe7b5587acd6c689dfeb99020f  Latin/en
debian-refcard  /usr/share/doc/debian-refcard/refcard-el-a4.pdf.gz  1002aa0253ab7b5877b1d63e9d8d6667d3299ac574dfdbd822e16f21a2d85d7d  Greek/el
debian-refcard  /usr/share/doc/debian-refcard/refcard-hi-a4.pdf.gz  eb1b15b8087a5051ab83c8781da7b85bcd10f9df66bf4176b280cb65a04a7a0b  Devanagari/hi
debmake-doc  /usr/share/doc/debmake-doc/debmake-doc.zh-tw.pdf  37fe9ebc5bf1116e818be46b5f9a80f3c963b469d1dd537bdc1edc0744af44b8  CJK/zh-Hant
docbook-xsl-doc-pdf  /usr/share/doc/docbook-xsl-doc-pdf/doc/reference.pdf.gz  ce478311b60c093c84791007d6cd81f42736433a34f37a146b3bb99e88911db6  Latin/en
ettercap-common  /usr/share/ettercap/doc/ettercap.8.pdf  ef447220c41242be93acb0d9fc8b98687e63f117cf07218baca4fc43df5ff29f  Latin/en
eyes17  /usr/share/eyes17/helpFiles/ml/cover/preface.pdf  4cdc51d53c30cdc62dbb9310381cbfa5ebca8041f0f7d94c555171853e7a102a  Malayalam/ml
fonts-cwtex-docs  /usr/share/doc/fonts-cwtex-docs/cwttf-ooo.pdf.gz  8930c5f1cacb5445052fcddd9c2ea750d83e7acd39891e18556239687ee946a9  CJK/zh-Hant
fonts-hosny-amiri  /usr/share/doc/fonts-hosny-amiri/Documentation-Arabic.pdf.gz  3eee46bd24898e9316cb47fb239e316f42bf7b9fde4b48113a261a32593ce8bd  Arabic/ar
fonts-sil-abyssinica  /usr/share/doc/fonts-sil-abyssinica/documentation/AbyssinicaSILFontFeatures.pdf.gz  0e9eb3b933680ac4dc1a97d01385b45816113ad0a15f9ac1cfd4b36a2c80633f  Latin+Ethiopic
fonts-sil-akatab  /usr/share/doc/fonts-sil-akatab/documentation/Akatab-documentation.pdf.gz  85ee5ec66d49f879710f6a27c635c7beb29af6260712da0768ad0526272068c6  Latin+Tifinagh
fonts-sil-alkalami  /usr/share/doc/fonts-sil-alkalami/documentation/Alkalami-features.pdf.gz  c2d65daa4a788c84dbb610b1e0f801006e80c11f152d47287d8b6e9c4c7f58ba  Latin+Arabic
fonts-sil-awami-nastaliq  /usr/share/doc/fonts-sil-awami-nastaliq/documentation/AwamiNastaliq-Features.pdf.gz  3a610034a353af99aee8616ba06522232b321a9c0c8d5422829c2500d57d42f4  Latin+Arabic/ur
fonts-sil-charis  /usr/share/doc/fonts-sil-charis/documentation/pdf/about.pdf.gz  26ad995f449ea79c8f28faa47c632b6e8950e39e031ab5d3faeff07641707e84  Latin/en
fonts-sil-harmattan  /usr/share/doc/fonts-sil-harmattan/documentation/Harmattan-features.pdf.gz  5f4924be4e47eeeff90b10cea88199ff1949e471679dc52f28b2e97ccda9e4a1  Latin+Arabic
fonts-sil-mondulkiri  /usr/share/doc/fonts-sil-mondulkiri/documentation/Differences in the Implementations of Khmer Unicode.pdf.gz  9a48e661662dda92cf75bf80f56abdac6f36d407218ae1f7c91784a932513d3c  Latin+Khmer
fonts-sil-padauk  /usr/share/doc/fonts-sil-padauk/documentation/Padauk-features.pdf.gz  5ba105b9651cb571e5087b0e07d8432aa681542dffeb1aefba60852f01322987  Latin+Myanmar
fonts-sil-scheherazade  /usr/share/doc/fonts-sil-scheherazade/documentation/Scheherazade-features.pdf.gz  0dc1b8a38e58ce16a8a9b6c406f0268ac1a77b5e0a0cab5490efaa2d2e6e4b84  Latin+Arabic
fonts-sil-shimenkan  /usr/share/doc/fonts-sil-shimenkan/documentation/UsingTheFonts.pdf.gz  69de8e6ab1423ee47675b5cc88b1e675410bde9bbb2aaa8d9b0915a0815c9db0  Latin+Miao
fonts-sil-taiheritagepro  /usr/share/doc/fonts-sil-taiheritagepro/documentation/TaiHeritagePro-features.pdf.gz  05fc79c6c993155153bce57be74e4d8fc5e821634026a4ae92ec3dba55e6c65c  Latin+TaiViet
fonts-texgyre  /usr/share/texmf/doc/fonts/tex-gyre/qbk-info.pdf  bd1a14723f38ef8fe5f44a0a433d669996af4bc5589dc8801635c9bfdd75cd61  Latin/en
fonts-texgyre  /usr/share/texmf/doc/fonts/tex-gyre/qzc-info.pdf  f8f0a567dc6b112fa60f77db43cebde3d08a8c9186092f142bac8d4fa97f1f2d  Latin/en
forensics-samples-files  /usr/share/forensics-samples/original-files/text1/a-text-pass-peanuts.pdf  58b9b196ada172962630834cb8f0458eafb9163545c9abf58a79207291900d0d  unknown/encrypted
gentle  /usr/share/doc/gentle/GENtle_manual.pdf  b1e007683613efe9f8559fc1ad6e2a052d7b9ff108c394ec739363548fde62db  Latin/en
glpk-doc  /usr/share/doc/glpk-doc/glpk.pdf  002d0328518a17b58919a2860b7f72d52594a73008f72c85f0dd70dfa138250f  Latin/en
gnu-standards  /usr/share/doc/gnu-standards/maintain.pdf.gz  aebd1a7558d33624f35b350cd9cbc00095501ae4333c4fc8719b325bb5128e2a  Latin/en
golang-github-jung-kurt-gofpdf-dev  /usr/share/gocode/src/github.com/jung-kurt/gofpdf/pdf/reference/Fpdf_CellFormat_tables.pdf  17c0357de0c09d4c3ae30238799cd90b10ace66165faaaba24b29ce900319583  Latin/en
golang-github-jung-kurt-gofpdf-dev  /usr/share/gocode/src/github.com/jung-kurt/gofpdf/pdf/reference/Fpdf_HTMLBasicNew.pdf  f65845f78cd8ea3df3312a52e6a04bd8e44f4ddd52214026b775be478f595340  Latin/en
goldencheetah  /usr/share/doc/goldencheetah/Cycling_Training_Software_User_Survey.pdf.gz  254ae05b2481ae065b4b050a31491f2c6fe450b2da6ca51f104f23193527cc72  Latin/en
goldencheetah  /usr/share/doc/goldencheetah/GC V3.4 Flyer.pdf.gz  cbda29b9bcc7d3c87edac2f22f783cce4d99d296c0c46b627dfc52ab5c887e9c  Latin/en
goldencheetah  /usr/share/doc/goldencheetah/Golden Cheetah Science v1.pdf.gz  85ae84131eb0b8d138bb563a17fb26722ce52fc2e0369a7bd2e703c3469d0869  Latin/en
graphviz-doc  /usr/share/doc/graphviz/pdf/dot.1.pdf.gz  25f1ecdeca7c1df227bdaab55bd1fd3e531d7bb71d599d845a04f1112713a07a  Latin/en
graphviz-doc  /usr/share/doc/graphviz/pdf/dottyguide.pdf.gz  2a0e0789c3132a9c205453545a7f24c86dc9096711f585b007871718010d965f  Latin/en
grcompiler  /usr/share/doc/grcompiler/grcompiler/CppDoc.pdf  85a9b4d79f45d6827f6e547d207ee2c36411ea0f7e4e5328cb2facdba7f288d2  Latin/en
grcompiler  /usr/share/doc/grcompiler/grcompiler/GDL.pdf  2ba4297e535f501c533528f5ae10a7a3393f8fa06e5e5adc80a83860e2c28e9b  Latin/en
groff  /usr/share/doc/groff-base/examples/mom/mom-pdf.pdf.gz  a2df7a188ca99aac93b4b910ea253a348a4b3aebdd2f7b1e0f582953cd14ad77  Latin/en
groff  /usr/share/doc/groff-base/pdf/pdfmark.pdf.gz  71321248980549345b78e5afa16798d0c266634984bc3130d62b07601ea36c60  Latin/en
imx-code-signing-tool  /usr/share/doc/imx-code-signing-tool/CST_UG.pdf.gz  240c67a9fadcddcf6e642c1ef5891d8a78d1aa4ea4b6766f49a1e7ae16ff12db  Latin/en
installation-guide-amd64  /usr/share/doc/installation-guide-amd64/ca/install.ca.pdf.gz  85d219ebedbf38c0dd3a9e85218838d3b1f804ffece23710915af8e6259c60ac  Latin/ca
installation-guide-amd64  /usr/share/doc/installation-guide-amd64/vi/install.vi.pdf.gz  809d1c6db417e6d4e6db64694519d92f661f0cc4abda3c39540c81345b8add56  Latin/vi
instead-doc-ru  /usr/share/doc/instead/manual/pdf/ru/stead3-ru.pdf  10d960be6246cbc934b79dc9bd1b40813f85262da443613c363ed27ec087659d  Cyrillic/ru
jverein  /usr/share/doc/jverein/examples/Rechnung.pdf  ae10a555447585b422fddeab9b417363611d6bf3507af6051ea63f08481816bf  Latin/de
krb5-doc  /usr/share/doc/krb5-doc/admin.pdf.gz  f03e604664bfd95ca43195be423829f90bf2761ce7bebe2edbd3cf9700960d4e  Latin/en
ledgersmb  /usr/share/doc/ledgersmb/LedgerSMB-manual.pdf.gz  b2a2754396acbe5e81ea0c8ef0be49707f20ec3930c72b8f43f5ee4c24acf3d5  Latin/en
libcore-renderer-java-doc  /usr/share/doc/libcore-renderer-java-doc/guide/users-guide-R8.pdf.gz  b4decdff9054ebc4b0afc4d960e0327c5fb3d79a28f4a2f04e11fadaf9ce7635  Latin/en
libdigidoc-doc  /usr/share/doc/libdigidoc/libdigidoc/SK-CDD-PRG-GUIDE.pdf.gz  0ce74453836a41e7e6d359a282b00bbb11347a0deb20318d83c2d4f8071f0bb8  Latin/en
libgraphite2-doc  /usr/share/doc/libgraphite2-dev/refman.pdf.gz  b13ad3241f368c83e9450f6d53196ada885e3e435cc935e6756495e0023f163f  Latin/en
libhsqldb-java-doc  /usr/share/doc/libhsqldb-java/guide/guide.pdf.gz  3b16bb65d5076b7ee9b188ae050fa10278bc9b08168a4fa5bb9b2c5d6fa363ba  Latin/en
libifd-cyberjack6  /usr/share/doc/libifd-cyberjack6/LIESMICH.pdf.gz  d181369baa0c8c30972bb153ef17059b071f788b0d6f92a709366e7a1af89558  Latin/de
libimage-exiftool-perl  /usr/share/doc/libimage-exiftool-perl/html/MIE1.1-20070121.pdf  068527a8b8e43ecc9357bd7640f3c1ebfe2796481be630fc679e8d59762ef45e  Latin/en
liblimesuite-doc  /usr/share/doc/liblimesuite-dev/StreamProtocol.pdf.gz  7c71fe3657ad6894bd93067800eecbd3d5297a2c7360baa4ffa1159eac9cb4ac  Latin/en
libpostscriptbarcode  /usr/share/doc/libpostscriptbarcode/barcodewriter.pdf.gz  2f563dad2f7830ffd11af7b34d080625207133c478bdc2ac0a08f72bcf7e9930  Latin/en
libreoffice-common  /usr/lib/libreoffice/share/xpdfimport/xpdfimport_err.pdf  a81024ea1df138a260e2466c7f1128a1d7f5068edcedbf33d60e7c3ffe2e603d  Latin/en
libsystemc-doc  /usr/share/doc/libsystemc/examples/sysc/simple_bus/SLIDES.pdf  a45a69828b9d88b99c2bda8f06ecfc466ba2af98b9f52695cab78a235c2cac79  Latin/en
libsystemc-doc  /usr/share/doc/libsystemc/examples/tlm/at_1_phase/docs/at_1_phase_example.pdf  97c06f6e675f73fed9399a6f215693ec1d7637eb5e106a158fe22f9efc709b35  Latin/en
libtheora-doc  /usr/share/doc/libtheora-dev/Theora.pdf.gz  23cf177bcd3182e89144c2259c85c3c4b1b01ca9826b91809945628313b0a1aa  Latin/en
lightyears  /usr/share/doc/lightyears/manual.pdf  937dc4437762f4ce3466d7460591db779a36383ac5c5a9ac3d25a2810cf97757  Latin/en
live-manual-pdf  /usr/share/doc/live-manual/pdf/live-manual.portrait.en.a4.pdf.gz  073976a78f796f91e0936fa74c1c7dd3bf62e2303b00e7b29c815931367dfec3  Latin/en
m17n-docs  /usr/share/doc/m17n-docs/m17n/docs/m17n-lib.pdf.gz  8a33e33382dd0760bf747267ea93fefd0903ddeeaa63c95ddd72278af03cbc69  Latin/en
maint-guide  /usr/share/doc/maint-guide/maint-guide.en.pdf  0b94abf28167fb3fe59db3d03f99b5faa50d9f6f696a7864825c5d0378ba27ef  Latin/en
maint-guide-ja  /usr/share/doc/maint-guide-ja/maint-guide.ja.pdf  3486f8f3fd23156bde05c3535cd88a76bbb34c9373cca40f677a805a64c4d96d  CJK/ja
maint-guide-ru  /usr/share/doc/maint-guide-ru/maint-guide.ru.pdf  5e15ad39186549e49ee6dd1ce09873f0c90fc36e865410272b3f02ae358629ad  Cyrillic/ru
mcu8051ide  /usr/share/mcu8051ide/doc/handbook/mcu8051ide.en.pdf  e8e0bef97ab1ac183d97b2fbcb38001f4f8a14cf44ba390e71f61b4278a49476  Latin/en
mixxx-data  /usr/share/doc/mixxx/Mixxx-Keyboard-Shortcuts.pdf.gz  6ee551e9bbf3d89526779b988bd74f31d286e43fa6c1b20d7873d9e3a16ab058  Latin/en
muttprint-manual  /usr/share/doc/muttprint/manual/manual-sl.pdf.gz  c95acfcc4428537d83699230d1cb2b7faa51fd3b4c0f460f4fd3eec3e9604bc9  Latin/sl
nut-doc  /usr/share/doc/nut-doc/pdf/packager-guide.pdf  7845f2fbf83010d3078cc8c7dc101290538f605543995b830a2f8a108ea457bd  Latin/en
nut-doc  /usr/share/doc/nut-doc/pdf/user-manual.pdf  f604fa3ab839872da646c8aa2ff4870b88e9e001611f711d8852d937f02c512f  Latin/en
octave-doc  /usr/share/doc/octave/liboctave.pdf  af9cc69f2056163420e94f6569eb79c8f6849c1dfc054b632675c78116b49c81  Latin/en
octave-doc  /usr/share/doc/octave/refcard-a4.pdf  7de62b24c8aa8b82d37e91948cd411c0dae8678233603419de976f0bf9538706  Latin/en
openlp  /usr/share/doc/openlp/PJLink_Notes.pdf.gz  f297c7d5c82c9291dd3a3dee5ed3436bdbb8faa8365b0165ee3b23d56f568012  Latin/en
openni-doc  /usr/share/doc/openni-doc/OpenNI_UserGuide.pdf.gz  6e77625da39e75803da81b49fb15ca578b224987fbadcb8b6b3b3bef54005bd4  Latin/en
packaging-tutorial  /usr/share/doc/packaging-tutorial/packaging-tutorial.fr.pdf  9cb48e9cf55785b8a7d4bec2c90a59b55b97a9f4e5d5726f8ee1e5c9fabe1d6c  Latin/fr
packaging-tutorial  /usr/share/doc/packaging-tutorial/packaging-tutorial.zh_CN.pdf  69079362116f27ae66cc11ff1d7a8cbeaefb51a9988879c45f6dfbb960ecf685  CJK/zh-Hans
pari-doc  /usr/share/pari/doc/refcard.pdf  b65dfacf2317b8022f9c650bfe19c5095547dc525d85304b8f310bdc86ed3404  Latin/en
php-tcpdf  /usr/share/doc/php-tcpdf/examples/example_012.pdf  c01508ad4013e40672841a34ead637de75fcf653b1a5342fc77079b9108274bf  Latin/en
previsat  /usr/share/Astropedia/PreviSat/doc/PreviSat_fr.pdf  7f639880320f4ee4817256820b94eb7022b0e2c6c3ae5009b9ac6f8df1096d4c  Latin/fr
printer-driver-foo2zjs-common  /usr/share/doc/printer-driver-foo2zjs/manual.pdf  fe2e7960e7fd544382141329ba068f8de465729e9c96fc31ba93b448098142ab  Latin/en
pspp  /usr/share/doc/pspp/pspp.pdf  49237f17f60e91124127e89dc8f3cb3beaa3d31181cafddee7e814ce8cf2ce15  Latin/en
python-sympy-doc  /usr/share/doc/python-sympy-doc/html/modules/plotting-16.pdf.gz  dfc0d84b9c18ba441ced50377f37bfa54b9b75861478f58e66052cc36230f172  Latin/figure
r-cran-knitr  /usr/lib/R/site-library/knitr/doc/knitr-refcard.pdf  3424b17f341f8cbeab8a0f12f9726c12ff0cb9f7e834aada63e7b6548f16bf0f  Latin/en
ruby-prawn-doc  /usr/share/doc/ruby-prawn/manual.pdf.gz  beff8c982ab1d4cc01b233d8198a0ab9433952f33a0b9cadedc56a61ffd100a6  Latin/en
smlnj-doc  /usr/share/doc/smlnj/impl-pic.pdf.gz  f251e7356891b5c95e157e1c8eae30c5c2e4111c002b34537baed64c824f5ec1  Latin/en
snek  /usr/share/doc/snek/snek.pdf.gz  c3fcfeab6dcf6ba3c88080467254dc61b865caf9be9bd75154cd683bc0991a5b  Latin/en
sqlite3-doc  /usr/share/doc/sqlite3/copyright-release.pdf  a403fc07d4c4810555623f89bde45b41fb0d5e0c4d6db4250d9e30b0f0800a2d  Latin/en
survex  /usr/share/doc/survex/manual.pdf.gz  69097c6220cd56d94e75b8252d64d170adeb71c350a11fedec8c234e752447d8  Latin/en
teckit  /usr/share/doc/teckit/TECkit_Language.pdf.gz  51e86bdccaaefce6457aac8687e7f1625bed38abc6b2938cb9839386c688c770  Latin/en
texlive-lang-arabic  /usr/share/doc/texlive-doc/latex/arabi/user_guide.pdf  5417871e0149fe4e9c5065af18cf29f8f1ca6896e6fb68ca03ab3deda732dc3f  Latin+Arabic
texlive-lang-arabic  /usr/share/doc/texlive-doc/latex/lshort-persian/lshort.pdf  8f769ed1a803239681cbcd58717e6adb0c94eb6503b5ebfe272cf86d39cb4ad8  Arabic/fa
texlive-lang-arabic  /usr/share/doc/texlive-doc/lualatex/arabluatex/arabluatex.pdf  f2cb3bfd3b6f5158348a002549685e31be1f8e1b5f8b1671fa1d4b65e7069292  Latin+Arabic
texlive-lang-cyrillic  /usr/share/doc/texlive-doc/bibtex/gost/gost.pdf  f046ec0356165e72b5df031a1c72a05886823934762de99d589a6dea3b6ebde5  Cyrillic/ru
texlive-lang-cyrillic  /usr/share/doc/texlive-doc/latex/churchslavonic/churchslavonic-ru.pdf  1114a0553c1207718202b29652cf85186a87d0ae3faff3abae7e4aa91d6a8e52  Cyrillic/ru+cu
texlive-lang-other  /usr/share/doc/texlive-doc/latex/cjhebrew/cjhebrew.pdf  0111cbe4d7e6152e06c177f1b733686420bcda3d9e2857dccc9e0eb8c4f82603  Latin+Hebrew
texlive-lang-other  /usr/share/doc/texlive-doc/latex/lshort-thai/lsh132.pdf  124c1cd829f5b0045bad637eb4ff20f1736cc4c1dbb312a2a3cbbb3bc9da2a88  Thai/th-legacy-8bit
texlive-lang-other  /usr/share/doc/texlive-doc/latex/lshort-vietnamese/lshort-vi.pdf  cc1de9d210ba4ad4af24e378170316866ec3bed625dec0cbf5bfb5494959a885  Latin/vi
texlive-lang-other  /usr/share/doc/texlive-doc/latex/marathi/marathi.pdf  9c4ee90dc76e4c4e084a1817473a3e80a53fbc24924796c272cd506a7cd559be  Devanagari/mr
texlive-luatex  /usr/share/doc/texlive-doc/lualatex/plantuml/plantuml.pdf  e6bc094d486e4544ce244c61917a10a37f0f38afe9b036b94b56a4c5499c4018  Latin/en
texlive-luatex  /usr/share/doc/texlive-doc/luatex/lua-widow-control/lua-widow-control.pdf  d07640aa75e78ed5d5222d1a0adf9ecc94b41bf1ba7c4d31e4a9c214e93bee80  Latin/en
texlive-luatex  /usr/share/doc/texlive-doc/luatex/lua-widow-control/tb133chernoff-widows.pdf  ee78cfb7c00252c0835535de25f8786936689083bfb2e525ad95f9b4df776832  Latin/en
texlive-luatex  /usr/share/doc/texlive-doc/optex/base/optex-doc.pdf  d867e02b61ee3ef212e898e26476e6e71c0d71f97539fb097eac4fc0fb13a147  Latin/en
texworks-help-en  /usr/share/doc/texworks-help-en/manual.pdf  324f9b812179a528f31b9ea59e344db27e303998f73b7ff10d441f69c80c05bc  Latin/en
therion-doc  /usr/share/doc/therion/thbook.pdf  d789083112711b8a66879aec304779706160d2718f1c0225ab174192208f559c  Latin/en
tiatracker  /usr/share/doc/tiatracker/TIATracker_manual.pdf.gz  7a7096137dbf13620201586d18015cd003819f9c150d16f153aea114a785907d  Latin/en
tipa-doc  /usr/share/doc/tipa/tipaman.pdf  a741b9bb363555b6abb3d3f7884fa9f9f378215a8d7256ba75ad9ebd9ec559e4  Latin+IPA
travis  /usr/share/doc/travis/travis-quickstart.pdf.gz  eadfd640a8240c0fbab25c429c435e15339dac057cb9ceaf34178f1c2f0fdf9b  Latin/en
ubuntu-packaging-guide-pdf-uk  /usr/share/doc/ubuntu-packaging-guide-pdf-uk/ubuntu-packaging-guide.pdf.gz  263709dd4765d2df4a23223b401aec73b7ad58f350c5d01f6a28c98746d44733  Cyrillic/uk
vite  /usr/share/doc/vite/user_manual.pdf.gz  c6c99c0e1b8b15f62fd6709a8bfa9039253f623bb606262fd4f22caa636387e5  Latin/en
weka-doc  /usr/share/doc/weka-doc/WekaManual.pdf.gz  a33dd237ec1431419cf06db156bd42bb93cca9b2325097ba8db740e95d729c60  Latin/en
why3-doc-pdf  /usr/share/doc/why3-doc-pdf/manual.pdf  97e30e4ec94e0fe52221faf9ab58d5d959c320acafc4bd2362ed5cd0067dbda2  Latin/en
winff-doc  /usr/share/doc/winff/WinFF.es.pdf.gz  1ee7f86fcbb1de355501054523e88947abef424f3d48446b0625ae09243a8207  Latin/es
xorg-docs  /usr/share/doc/xorg-docs/ReleaseNotes.pdf.gz  7c64ad6a0bf17470439cbb87f999e4a8301820b2480357cf67bb1d09d109a639  Latin/en
xorg-docs  /usr/share/doc/xorg-docs/fonts/fonts.pdf.gz  0f76ed5cf335e095404eba1245e3384705c2ce8f25709602e48ffcd56d7bf3c3  Latin/en
LIST
}

# ------------------------------------------------------------- the list ----
# Fills the arrays e_pkg, e_path, e_sha, e_script and e_name (flat file name) and e_half
# (tune or heldout), one element per entry, in the list's order.
read_entries() {
  e_pkg=() e_path=() e_sha=() e_script=() e_name=() e_half=()
  local line base
  local re='^([^ ]+) +(/.*[^ ]) +([0-9a-f]{64}) +([^ ]+)$'
  while IFS= read -r line; do
    [ -n "$line" ] || continue
    [[ $line =~ $re ]] || { echo "bad list entry: $line" >&2; exit 2; }
    e_pkg+=("${BASH_REMATCH[1]}")
    e_path+=("${BASH_REMATCH[2]}")
    e_sha+=("${BASH_REMATCH[3]}")
    e_script+=("${BASH_REMATCH[4]}")
  done < <(entries)

  local -A seen=()
  local i names=()
  for i in "${!e_pkg[@]}"; do
    base="${e_path[$i]##*/}"
    base="${base%.gz}"
    names+=("${e_pkg[$i]}__${base//[[:space:]]/_}")
    seen[${names[$i]}]=$(( ${seen[${names[$i]}]:-0} + 1 ))
  done
  for i in "${!e_pkg[@]}"; do
    if [ "${seen[${names[$i]}]}" -gt 1 ]; then
      local dir="${e_path[$i]%/*}"
      base="${e_path[$i]##*/}"
      base="${base%.gz}"
      names[i]="${e_pkg[$i]}__${dir##*/}_${base//[[:space:]]/_}"
    fi
    e_name+=("${names[$i]}")
    e_half+=("$(half_of "${names[$i]}")")
  done
  if [ "$(printf '%s\n' "${e_name[@]}" | sort | uniq -d | wc -l)" -ne 0 ]; then
    echo "flat file names are not unique" >&2; exit 2
  fi
}

half_of() {  # NAME -> tune | heldout
  case "$(printf '%s' "$1" | sha256sum | cut -c1)" in
    [0-7]) echo tune ;;
    *) echo heldout ;;
  esac
}

list_split() {
  local i half n
  for half in tune heldout; do
    n=0
    for i in "${!e_name[@]}"; do [ "${e_half[$i]}" = "$half" ] && n=$((n + 1)); done
    echo "$half/ ($n files, $(for i in "${!e_name[@]}"; do
      [ "${e_half[$i]}" = "$half" ] && echo "${e_pkg[$i]}"; done | sort -u | wc -l) packages)"
    for i in "${!e_name[@]}"; do
      [ "${e_half[$i]}" = "$half" ] && printf '  %-60s %s\n' "${e_name[$i]}" "${e_path[$i]}"
    done
  done
}

# ------------------------------------------------------------ fetching ----
apt_updated=0
download() {  # PKG into $work/debs; prints the .deb's path
  local pkg="$1" deb=()
  if ! (cd "$work/debs" && apt-get download -qq "$pkg" >/dev/null 2>&1); then
    if [ "$apt_updated" -eq 0 ]; then
      apt_updated=1
      local sudo_cmd=()
      if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
      "${sudo_cmd[@]}" apt-get update -qq >/dev/null 2>&1 || true
    fi
    (cd "$work/debs" && apt-get download -qq "$pkg" >/dev/null 2>&1) || return 1
  fi
  deb=("$work/debs/${pkg}"_*.deb)
  [ -e "${deb[0]}" ] && echo "${deb[0]}"
}

# MuPDF's links of every page: prints "WEB MAIL", the count of links with a URI that has a
# scheme (mailto: counted apart); links inside the document ("#...") and relative file
# names are not counted. Prints "locked" for a document that needs a password.
write_links_js() {
  cat > "$work/links.js" <<'JS'
var doc = (typeof Document.openDocument == 'function') ? Document.openDocument(scriptArgs[0])
                                                       : new Document(scriptArgs[0]);
var web = 0, mail = 0, n = doc.needsPassword() ? -1 : doc.countPages();
for (var i = 0; i < n; i++) {
  var links = doc.loadPage(i).getLinks();
  for (var j = 0; j < links.length; j++) {
    var u = (typeof links[j].getURI == 'function') ? links[j].getURI() : links[j].uri;
    if (!u || u.charAt(0) == '#') continue;
    if (/^mailto:/i.test(u)) mail++;
    else if (/^[a-z][a-z0-9+.-]*:/i.test(u)) web++;
  }
}
print(n < 0 ? 'locked' : web + ' ' + mail);
JS
}

human_size() {
  awk -v b="$1" 'BEGIN {
    if (b >= 1048576) printf "%.2f MB", b / 1048576
    else if (b >= 1024) printf "%d KB", b / 1024
    else printf "%d B", b }'
}

cell() {  # TEXT -> one table cell's text: no "|" nor line break, "-" when empty
  local t="${1//$'\n'/ }"
  t="${t//|/\\|}"
  t="${t//\`/\'}"
  [ -n "${t// /}" ] && printf '%s' "$t" || printf '%s' '-'
}

manifest_row() {  # NUMBER INDEX FILE VERSION
  local n="$1" i="$2" file="$3" version="$4" info pages producer creator links first
  info="$(pdfinfo "$file" 2>/dev/null || true)"
  pages="$(sed -n 's/^Pages: *//p' <<<"$info")"
  producer="$(sed -n 's/^Producer: *//p' <<<"$info")"
  creator="$(sed -n 's/^Creator: *//p' <<<"$info")"
  links="$(timeout 600 mutool run "$work/links.js" "$file" 2>/dev/null | tail -n 1 || true)"
  if [[ $links =~ ^([0-9]+)\ ([0-9]+)$ ]]; then
    links="${BASH_REMATCH[1]}/${BASH_REMATCH[2]}"
  else
    links="n/a"
  fi
  first="$(timeout 120 pdftotext -q -f 1 -l 1 -enc UTF-8 "$file" - 2>/dev/null \
             | tr -s ' \t' ' ' | sed 's/^ //; s/ $//' | grep -m 1 . || true)"
  if [ "${#first}" -gt 40 ]; then first="${first:0:40}…"; fi
  [ -n "$first" ] || first="(no text)"
  # shellcheck disable=SC2016  # the backquotes are Markdown's
  printf '| %d | `%s` | Debian %s %s | %s | %s | %s | %s | %s | %s | %s |\n' \
    "$n" "${e_name[$i]}" "${e_pkg[$i]}" "$version" "$(human_size "$(stat -c %s "$file")")" \
    "${pages:-n/a}" "$(cell "$producer")" "$(cell "$creator")" "${e_script[$i]}" "$links" \
    "$(cell "$first")"
}

write_manifest() {  # HALF FOLDER (rows are in $work/rows.HALF)
  local half="$1" folder="$2" count
  count="$(grep -c '^| [0-9]' "$work/rows.$half" || true)"
  {
    echo "# Held-out real-world PDFs ($half) — MANIFEST"
    echo
    echo "For measuring and for local test runs only: these files were written by other people, under many licences. Never copy them into the project repository. Written by \`bench/heldout.sh fetch\` on $(date -u +%Y-%m-%d) from Debian 12 (bookworm) packages; every file keeps the bytes its package installs (a \`.gz\` unpacked) and was checked against the SHA-256 sum listed in the script. File names are \`<package>__<original name>\`."
    echo
    echo "Split by the first hex digit of the SHA-256 of the file name: 0-7 in \`tune/\`, 8-f in \`heldout/\`. This is \`$half/\`$( [ "$half" = heldout ] && echo ': measure on it, do not tune on it' )."
    echo
    echo "* Files: $count."
    echo "* Tools: $(pdfinfo -v 2>&1 | head -n 1), $(mutool -v 2>&1 | head -n 1)."
    echo
    echo "## Table"
    echo
    echo "Columns: Source = Debian package and version; Pages, Producer and Creator = pdfinfo; Script = writing system (and language) of the running text, judged by eye; Links u/m = MuPDF link count web/mailto (links with a URI scheme, links inside the document not counted); Page-1 first line = first non-empty line of \`pdftotext -f 1 -l 1\`."
    echo
    echo "| # | File | Source | Size | Pages | Producer | Creator | Script | Links u/m | Page-1 first line |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    cat "$work/rows.$half"
  } > "$folder/MANIFEST.md"
}

fetch() {
  local dest="$1" i pkg deb version src out sum failed=0 half
  ensure_tools pdfinfo:poppler-utils pdftotext:poppler-utils mutool:mupdf-tools \
               dpkg-deb:dpkg apt-get:apt sha256sum:coreutils
  make_workdir heldout
  mkdir -p "$work/debs" "$work/x" "$dest/tune" "$dest/heldout"
  rm -f "$dest/tune/"*.pdf "$dest/heldout/"*.pdf "$dest/tune/MANIFEST.md" "$dest/heldout/MANIFEST.md"
  write_links_js
  : > "$work/rows.tune"
  : > "$work/rows.heldout"
  local -A n_half=([tune]=0 [heldout]=0) fetched=() versions=()
  for i in "${!e_pkg[@]}"; do
    pkg="${e_pkg[$i]}"
    if [ -z "${fetched[$pkg]:-}" ]; then
      # One package at a time: downloaded, unpacked, its files taken, then removed.
      rm -rf "$work/x" "$work/debs"
      mkdir -p "$work/x" "$work/debs"
      fetched[$pkg]=failed
      echo "Fetching $pkg ..." >&2
      if deb="$(download "$pkg")" && dpkg -x "$deb" "$work/x"; then
        fetched[$pkg]=ok
        versions[$pkg]="$(dpkg-deb -f "$deb" Version)"
      else
        echo "cannot fetch package $pkg" >&2
      fi
    fi
    if [ "${fetched[$pkg]}" != ok ]; then failed=$((failed + 1)); continue; fi
    src="$work/x${e_path[$i]}"
    out="$work/${e_name[$i]}"
    if [ ! -f "$src" ]; then
      echo "missing in $pkg ${versions[$pkg]}: ${e_path[$i]}" >&2
      failed=$((failed + 1)); continue
    fi
    if [[ $src == *.gz ]]; then gzip -dc "$src" > "$out"; else cp "$src" "$out"; fi
    sum="$(sha256sum "$out" | cut -c1-64)"
    if [ "$sum" != "${e_sha[$i]}" ]; then
      echo "sha256 mismatch, left out: $pkg ${versions[$pkg]} ${e_path[$i]}: $sum, listed ${e_sha[$i]}" >&2
      rm -f "$out"; failed=$((failed + 1)); continue
    fi
    half="${e_half[$i]}"
    mv "$out" "$dest/$half/${e_name[$i]}"
    n_half[$half]=$((n_half[$half] + 1))
    manifest_row "${n_half[$half]}" "$i" "$dest/$half/${e_name[$i]}" "${versions[$pkg]}" \
      >> "$work/rows.$half"
  done
  rm -rf "$work/x" "$work/debs"
  write_manifest tune "$dest/tune"
  write_manifest heldout "$dest/heldout"
  echo "tune/: ${n_half[tune]} files, heldout/: ${n_half[heldout]} files in $dest" \
       "($(du -sh "$dest/tune" "$dest/heldout" | awk '{s = s $1 " "} END {print s}'| sed 's/ $//'))"
  if [ "$failed" -gt 0 ]; then
    echo "$failed of ${#e_pkg[@]} listed files are missing (see above)" >&2
    exit 1
  fi
}

case "${1:-}" in
  fetch)
    [ $# -le 2 ] || { echo "usage: $0 fetch [DIR]" >&2; exit 2; }
    read_entries
    fetch "${2:-/work/heldout}"
    ;;
  list)
    read_entries
    list_split
    ;;
  *)
    echo "usage: $0 fetch [DIR] | list" >&2
    exit 2
    ;;
esac
