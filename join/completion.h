// Judging a join and tidying up after it: the start-up size check, the
// checksum verdict, the deletions, and the handlers of the three closing
// messages, which leave the dialog finished.
#ifndef SELVANORE_JOIN_COMPLETION_H
#define SELVANORE_JOIN_COMPLETION_H

// Warns in the report and in a box when the parts' total size differs from
// the recorded size.
void CheckInputSizes();
// Deletes the output file; on failure shows an error box and returns 0.
int DeleteOutput();
// Deletes every part, showing an error box for each that cannot be deleted.
void DeleteInputs();
// Asks whether to keep an output whose checksum is wrong; deletes it only
// on an explicit No.
void AskKeepOutput();

void OnJoinDone();
void OnJoinCancelled();
void OnJoinFailed();

#endif
