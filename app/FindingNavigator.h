#pragma once

#include "check/Finding.h"

class ProgramEditor;
class TForm1;
class TForm3;
class TForm4;
class TForm5;
class TForm7;
class TForm8;
class TForm13;

// Opens the editor where a finding of the whole-project check is mended: its ring becomes
// current, then the dialog (or the program editor) shows the program, phase, plan, row, week,
// template or direction of the finding.
struct FindingNavigator
{
    TForm1 *main = nullptr;
    ProgramEditor *editor = nullptr;
    TForm3 *dayPlans = nullptr;
    TForm4 *weekPlans = nullptr;
    TForm5 *yearPlan = nullptr;
    TForm7 *safety = nullptr;
    TForm8 *templates = nullptr;
    TForm13 *directions = nullptr;

    void operator()(const ProjectCheck::Finding &finding) const;
};
