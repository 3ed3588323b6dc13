// SPDX-License-Identifier: MIT
#include "platform/wait_cursor.h"

#include <QApplication>

CWaitCursor::CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

CWaitCursor::~CWaitCursor() { QApplication::restoreOverrideCursor(); }
