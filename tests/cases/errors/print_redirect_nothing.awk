# A redirection with no destination.
BEGIN { print > }
