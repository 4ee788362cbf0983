# A grep for an alternation of four literals, printing the lines.
/quebec|yankee|whiskey|zulu/
