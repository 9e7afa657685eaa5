#pragma once
// What the shared layer is told about the launcher's screen: the client rows its own bars
// take, so that the presentation and the framework's dialogs keep off them.

// Hands the bands of the status strip and the Windows Mobile menu bar to the shared layer;
// called whenever one of them is made or goes.
void HandUsableArea();
