# A function definition inside an action.
BEGIN { function f() {} }
