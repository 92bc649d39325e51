#pragma once
#include <QCursor>
#include <QIcon>
#include <QPixmap>

// The program's own drawings, compiled in from resources/.
QIcon ProgramIcon(); // icon 128
QCursor OpenHandCursor(); // cursor 134
QCursor ClosedHandCursor(); // cursor 135
QCursor BrushAddCursor(); // cursor 132, the brush that marks dust
QCursor BrushRemoveCursor(); // cursor 136, the brush that restores pixels
QPixmap StartPicture(); // bitmap 150, shown until an image is open
