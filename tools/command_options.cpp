#include "command_options.h"

namespace fltools {

const char* const kExitCodesHelp =
    "Exit status:\n"
    "  0  success\n"
    "  1  the plug-in failed: its error dialog is printed on stderr as\n"
    "     \"Plug-in Error: MESSAGE (CODE)\"\n"
    "  2  bad arguments or a bad file (an input that is not a regular file of at most 1 MiB, two\n"
    "     options naming one file, an output that cannot be written), or the module cannot be loaded\n"
    "On a failure no output file is written or changed: all outputs of a run are put in place together.\n";

const char* const kModuleHelp =
    "The plug-in module is --module, else $FLARIMOND_MODULE, else flarimond.so (flarimond.aip on\n"
    "Windows) in the directory of this program; its compiled resources are read before it is loaded.\n";

const char* const kFormatsHelp =
    "Output (by the extension of -o, written whole or not at all; a symbolic link is written through):\n"
    "  .svg   a picture: SVG 1.1 in points, the page as a white sheet (group \"page\"), the art on it\n"
    "         as the host shows it (y up turned to SVG's y down) in the group \"design\", one path\n"
    "         \"art-N\" for art N of the document (empty data for an art with no segments), straight\n"
    "         segments as lines; coordinates to 1/1000 point; the view is the page, as an editor's\n"
    "         artboard (art past it stays in the file; --frame art: a square around the art; --frame\n"
    "         all: the page and all the art)\n"
    "  .json  the document as data: {\"design\", \"page\": {\"width\", \"height\"}, \"colorModel\", \"arts\": [...]},\n"
    "         the arts bottom to top, each with its segments (\"p\", \"in\", \"out\", \"corner\"),\n"
    "         \"closed\", \"fill\" and \"stroke\" (paint flag, colour kind, components; stroke width),\n"
    "         \"opacity\" and \"artStyle\"; numbers as the shortest text of the float the host holds\n"
    "  .png   the same picture as the SVG, --width pixels wide, on white or transparent\n"
    "  .pdf   the same picture as vectors on one PDF page the size of the view (with --frame page\n"
    "         the page itself, no border); colours as on screen (RGB; CMYK values stay in the\n"
    "         description)\n"
    "Each carries what made it (record, seed, draws before the drawing, document options, version,\n"
    "a digest of the art): the JSON's \"design\", a <metadata> element on the SVG's group \"design\"\n"
    "(which a copy of the group takes along), a PNG iTXt chunk 'flarimond:design', the PDF's\n"
    "Subject (with Keywords 'flarimond:design'); 'flarimond\n"
    "inspect FILE' shows it and 'render --from FILE' draws it again.\n"
    "Parameter files (by extension; a file that cannot be a record is refused, every problem named;\n"
    "a value outside its control's range is passed to the plug-in as stored, with a warning):\n"
    "  .bin   the 336-byte record exactly as the host stores it (84 little-endian 4-byte fields);\n"
    "         FILE.random beside it, when there, says where the random source stood\n"
    "  .json  an object with the fields by name (flags 0/1, integers, list positions, reals) and,\n"
    "         optionally, where the random source stood when the drawing began: \"seed\",\n"
    "         \"drawsBefore\", \"firstDraws\"; fields left out take the plug-in's defaults, listed\n"
    "         on stderr\n";

const char* const kSwatchHelp =
    "--swatches FILE reads the document's swatch list, in order, from a JSON array such as\n"
    "  [{\"name\": \"[None]\", \"color\": \"none\"}, {\"name\": \"[Registration]\", \"color\": \"registration\"},\n"
    "   {\"name\": \"White\", \"color\": \"grey:0\"}, {\"name\": \"Brick\", \"color\": \"rgb:0.7,0.2,0.1\"}]\n"
    "Colours: none, registration, grey:G (ink, 0 white), rgb:R,G,B, cmyk:C,M,Y,K, components 0..1.\n"
    "The default list is [None], [Registration], White, Black and 24 colours of the colour model.\n";

const char* const kScriptHelp =
    "In the dialog the user's actions come in this order: --preset, each --set, the script. A\n"
    "--set shows the field's page, then sets its spin edit, check box or popup (a factor field\n"
    "first chooses its member in the factor popup). A dialog script has one action a line:\n"
    "  page N              press the tab of page N (1-7)\n"
    "  set ID VALUE        type a value into spin edit ID\n"
    "  check ID 0|1        set check box ID\n"
    "  choose ID POSITION  choose an entry (from 0) of popup list ID\n"
    "  press ID            press a button (111 Tumble, 110 Shuffle, 2 Cancel)\n"
    "  pick ID X Y         complete a pick with button ID at artwork point (X, Y)\n"
    "  confirm | cancel    end the dialog\n"
    "Blank lines and lines starting with # are skipped. An action the dialog refuses (an unknown\n"
    "item, a hidden or disabled control) names its line and ends the run with exit status 2.\n";

const char* const kFailHelp =
    "--fail OPERATION[@N][=CODE] makes the host's OPERATION (such as art.newArt) return CODE on its\n"
    "Nth call (default the first): CODE is a number (-108, 0x5345474D) or four characters (SEGM,\n"
    "!MEM); without it -108 (out of memory). It may be given several times; 'flarimond info' lists\n"
    "the operations.\n";

void addHostOptions(CLI::App* cmd, HostArgs& h) {
  cmd->add_option("--seed", h.seed,
                  "Seed of the host's random source, a whole number; without it\n"
                  "a fresh seed is chosen and printed on stderr as 'seed: N'\n"
                  "so that the design can be made again")
      ->type_name("N")
      ->each([&h](const std::string&) { h.seedGiven = true; });
  cmd->add_option("--draws", h.draws,
                  "The random source's first draws, exactly: comma-separated\n"
                  "numbers in [0, 1); the seeded generator follows them")
      ->type_name("LIST");
  cmd->add_option("--color-model", h.colorModel, "The document's colour model: rgb (default), cmyk or grey")
      ->type_name("MODEL");
  cmd->add_option("--page", h.page,
                  "Page size: WxH in points (default 612x792) or with a unit,\n"
                  "210x297mm, 8.5x11in, 20x20cm; or a3, a4, a5, letter, legal,\n"
                  "tabloid, with :landscape to turn it; the view is centred on\n"
                  "the page")
      ->type_name("SIZE");
  cmd->add_option("--fail", h.fails,
                  "Make a host operation fail: OPERATION[@N][=CODE]; may be\n"
                  "given several times (see below)")
      ->type_name("OP[@N][=CODE]")
      ->allow_extra_args(false);
  cmd->add_option("--module", h.module, "The plug-in module to load (see below)")->type_name("PATH");
  cmd->add_option("--swatches", h.swatches,
                  "The document's swatch list from a JSON file instead of the\n"
                  "default one (see below)")
      ->type_name("FILE");
  cmd->add_option("--fill", h.fill,
                  "Fill of new paths: none, #rgb, #rrggbb, a CSS colour name\n"
                  "(orange), grey:G, rgb:R,G,B or cmyk:C,M,Y,K (components\n"
                  "0..1); default white")
      ->type_name("COLOUR");
  cmd->add_option("--stroke", h.stroke,
                  "Stroke of new paths, COLOUR[@WIDTH] as for --fill with the\n"
                  "width in points; default black at 1 point")
      ->type_name("COLOUR");
  cmd->add_option("--opacity", h.opacity, "Opacity of new paths, 0 to 1 (default 1)")->type_name("O");
  cmd->add_option("--art-styles", h.artStyles,
                  "The document has only the first N of the host's 8 named art\n"
                  "styles, 0 to 8 (default 8; the README lists them)")
      ->type_name("N");
}

void addDialogOptions(CLI::App* cmd, RenderArgs& r) {
  cmd->add_option("--preset", r.preset,
                  "Choose a preset in the dialog's preset list, by position\n"
                  "(0-35) or name ('flarimond presets' lists them)")
      ->type_name("N|NAME");
  cmd->add_option("--set", r.sets,
                  "Set a field on its control as a user would, firing its\n"
                  "notifier; repeatable, applied in order")
      ->type_name("FIELD=VALUE")
      ->allow_extra_args(false);
  cmd->add_option("--dialog-script", r.script, "Work the dialog from a script file (see below)")->type_name("FILE");
  cmd->add_option("--lock", r.locks,
                  "Hold these fields still through Tumble and Shuffle: after\n"
                  "each press they are set back on their controls, as the\n"
                  "page's locks do")
      ->type_name("FIELD,...")
      ->delimiter(',')
      ->allow_extra_args(false);
}

void addPictureOptions(CLI::App* cmd, RenderArgs& r) {
  cmd->add_option("--width", r.width,
                  "PNG width in pixels (default 1200); the height follows. Drawn on every\n"
                  "core; on a terminal, a drawing longer than a second shows its progress")
      ->type_name("PIXELS");
  cmd->add_option("--background", r.background,
                  "PNG background outside the page: white (default) or\n"
                  "transparent")
      ->type_name("KIND");
  cmd->add_option("--frame", r.frame,
                  "What a picture (.svg, .png, .pdf) shows: page (default), the page\n"
                  "as an editor's artboard; art, a square around the art alone;\n"
                  "or all, the page and all the art")
      ->type_name("page|art|all");
  addPlotOptions(cmd, r);
}

void addPlotOptions(CLI::App* cmd, RenderArgs& r) {
  cmd->add_flag("--plot", r.plot,
                "Write plotter line art (.svg): outlines only, hidden lines\n"
                "removed, a layer per pen, paths ordered for little pen-up\n"
                "travel; the page in mm");
  cmd->add_option("--pens", r.pens, "With --plot: map the colours onto N pens (default: a pen a\ncolour)")
      ->type_name("N");
  cmd->add_option("--tolerance", r.tolerance, "With --plot: how far flattened curves may stray (default\n0.05 mm)")
      ->type_name("MM");
}

}  // namespace fltools
