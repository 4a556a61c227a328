// The station editor window's fixed texts: information memos and field labels.
#pragma once

#include <QStringList>

struct Memo_text {
    const char* name;
    QStringList lines;
};

const Memo_text& memo_general();          // Memo9
const Memo_text& memo_gsm();              // Memo3
const Memo_text& memo_acquisition();      // Memo11
const Memo_text& memo_sequence(int page); // Memo1 (slow), Memo5 (fast), Memo7 (remote)
const Memo_text& memo_actions(int page);  // Memo2 (slow), Memo6 (fast)
