// The information memos, line by line as the window shows them.
#include "Editor_texts.h"

const Memo_text& memo_general() {
    static const Memo_text memo{"Memo9",
                                {"The identification information are used to ",
                                 "access the module in you network. The station ",
                                 "ID should be a unique ID that identifies your ", "station."}};
    return memo;
}

const Memo_text& memo_gsm() {
    static const Memo_text memo{
        "Memo3",
        {"The GSM is switched on in a periodic manner. ", "The GSM_INTERVAL parameters defines the ",
         "time between two switch-on of the GSM. While ", "GSM_DURATION specifies the power-on ",
         "duration. ", "", "Usually users define GSM_DURATION of 15 ",
         "minutes and GSM_INTERVAL of 6, 24 hours"}};
    return memo;
}

const Memo_text& memo_acquisition() {
    static const Memo_text memo{"Memo11",
                                {"The acquisition interval determines the time ",
                                 "between two acquisitions start. The slow ",
                                 "interval is intended to define \"standard\" periodic ", "measurement.",
                                 "While the fast interval is for more precise ",
                                 "measurement resolution when a particular event ", "occurs"}};
    return memo;
}

const Memo_text& memo_sequence(int page) {
    static const Memo_text slow{
        "Memo1",
        {"Slow sequence is the standard acquistion ", "sequence.", "",
         "Select on this page, the measurement that you ", "want to make each time the slow sequence is ",
         "started.", "", "For several channels you can define a ", "measurement threshold. If one of the ",
         "measurements passes that threshold (above or ", "below, depending on your settings), the module ",
         "will automatically pass to the fast mode and ", "execute the fast sequence."}};
    static const Memo_text fast{
        "Memo5",
        {"Fast sequence is the acquistion sequence ", "executed in fast mode", "",
         "Select on this page, the measurement that you ", "want to make each time the slow sequence is ",
         "started.", "", "For several channels you can define a ", "measurement threshold. When ALL the ",
         "measurement have passed these threshold (i.e. ", "they are back to normal state), the module will ",
         "go back to the slow mode"}};
    static const Memo_text remote{
        "Memo7",
        {"The remote sequence (i.e. Acquisition ", "sequence ", "#2) can only be started",
         "by the user. This sequence is usually used to ", "get the full system health. This",
         "is why we strongly encourage you to select most ", "of the probes for this sequence.", ""}};
    return page == 0 ? slow : page == 1 ? fast : remote;
}

const Memo_text& memo_actions(int page) {
    static const QStringList lines = {"In the section \"Conditional action\", you can ",
                                      "decide to send an SMS when you change to ",
                                      "the fast mode. You can also alter the state of ",
                                      "some of the digital outputs when you go the fast ", "mode"};
    static const Memo_text slow{"Memo2", lines};
    static const Memo_text fast{"Memo6", lines};
    return page == 0 ? slow : fast;
}
