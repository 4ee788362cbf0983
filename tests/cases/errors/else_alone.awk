# else with no if.
BEGIN { if (1) else print }
BEGIN { else print }
