// The end of a join as the user sees it: the handlers of the worker's three
// closing messages with their report lines, titles, questions and boxes, the
// joined file taking the output's name (or deleted), and the end frame that
// leaves the dialog finished. The verdicts and deletions are the job's
// (join/completion.h).
#ifndef SELVANORE_UI_CLOSING_H
#define SELVANORE_UI_CLOSING_H

// How the last join ended, as its closing handler judged it: None before
// any closing message; Joined only when the verdict was good and the output
// took its name. A front end's exit status reads it.
enum class JoinEnd { None, Joined, NotJoined, Cancelled, Failed };
JoinEnd GetJoinEnd();

void OnJoinDone();
void OnJoinCancelled();
void OnJoinFailed();

#endif
