# BEGIN must be followed by an action.
BEGIN
{ print }
