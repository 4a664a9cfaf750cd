// The end of a join as the user sees it: the handlers of the worker's three
// closing messages with their report lines, titles, questions and boxes, the
// joined file taking the output's name (or deleted), and the end frame that
// leaves the dialog finished. The verdicts and deletions are the job's
// (join/completion.h).
#ifndef SELVANORE_UI_CLOSING_H
#define SELVANORE_UI_CLOSING_H

void OnJoinDone();
void OnJoinCancelled();
void OnJoinFailed();

#endif
