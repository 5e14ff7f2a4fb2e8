#pragma once
// "KLV3 Program Options": edits a working copy of the program's OptionsRecord and commits it
// with Apply or OK. [ui-thread]

namespace klv::app {

class Desk;

// Runs the options dialog modally over the desk's owner window. The caller has already passed
// the feature lock for "Change Program Options".
void showOptionsDialog(Desk& desk);

} // namespace klv::app
