#pragma once
// Paints asset labels as a LabelLayout places them: each a QR code with the
// asset number, PC name and department under it. The code holds one line
// of UTF-8 text, asset number, MAC and PC name separated by "|"
// ("A-2023-017|02:4F:00:00:0A:01|CW-PC01"): an empty field stays empty
// between its separators, and a "|" or a control character inside a
// field becomes a blank, so that a reader can split the line again.

#include <string>
#include <vector>

#include "LabelLayout.h"

class QPainter;
class QPrinter;

namespace vantrel::app {

// What one label shows. GBK, as the grid and the store hold it.
struct LabelData {
    std::string assetNumber;
    std::string mac;
    std::string pcName;
    std::string department;
};

// The text a label's QR code holds, UTF-8.
std::string QrTextOf(const LabelData& label);

// Paints the labels of page `page` (from 0) of `labels`, `dotsPerMm`
// device pixels to a millimetre, the page's top left corner at the
// painter's origin. Throws std::runtime_error when a label's code cannot
// be made (its text too long).
void PaintLabelPage(QPainter& painter, const LabelLayout& layout,
                    const std::vector<LabelData>& labels, int page, double dotsPerMm);

// Sets the printer's page to the layout's (no margins: the layout keeps
// its own) and prints every page of the labels. Throws std::runtime_error
// (GBK) when the printer cannot start or a code cannot be made.
void PrintLabels(QPrinter& printer, const LabelLayout& layout,
                 const std::vector<LabelData>& labels);
// Only the page and its orientation, for a preview that prints later.
void SetLabelPage(QPrinter& printer, const LabelLayout& layout);
// Every page, on the printer's page as it is set.
void PaintLabels(QPrinter& printer, const LabelLayout& layout,
                 const std::vector<LabelData>& labels);

}  // namespace vantrel::app
