#pragma once

class TForm1;

// Creates every other window hidden, in start-up order, and attaches each to the main
// window's menu and toolbar. main() and the shell tests build the program the same way.
void createWindows(TForm1 &main);
