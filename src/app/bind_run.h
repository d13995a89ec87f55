#pragma once

namespace quiremark::app {

class MainForm;

// Bind modes: "Skapa PDF", "Skapa PDF Spec" (side file Quiremark.path) and
// "Skapa PDF Relation" (side file Quiremark.relation.path).
inline constexpr float kBindPlain = 0;
inline constexpr float kBindSpec = 1;
inline constexpr float kBindRelation = 2;

// Joins the plot files of the numbered grid rows, in number order, into one
// PostScript file with the outline and document information, converts it to
// the PDF the user names (or the out-file argument), and runs the DigiTejp
// step and opens the PDF as the options say. Returns whether a complete PDF
// was made. While it runs (it yields to the window) a second bind and every
// change of the grid are refused.
bool CreatePdf(MainForm& form, float mode);

}  // namespace quiremark::app
