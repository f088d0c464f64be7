// The compiler's read faults (25) said in the author's terms: the keyword,
// the field and what was found, or the fields missing from a line cut short.
#pragma once

#include <string>
#include <vector>

#include "model/form1.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

// Which script a place "LABEL:LINE:COLUMN" belongs to (0 line, 1 train, -1
// neither) and the byte it points at.
int script_di(const std::string& luogo, const ScriptPreparati& p, size_t& offset);
// The read fault the authors' check found at `offset` of script `file`, or null.
const GuastoDiLettura* guasto_a(const ScriptPreparati& p, int file, size_t offset);
void spiega_guasti_di_lettura(std::vector<Diagnosi>& diagnosi, const ScriptPreparati& p);
// The same for one fault found at `offset` of script `file`: the read fault
// that explains it, or null (the fault is then left as it is).
const GuastoDiLettura* spiega_guasto(Diagnosi& d, const ScriptPreparati& p, int file, size_t offset);

}  // namespace ferrovello
