-- A few snippets so a new installation has something to expand.
INSERT INTO snippets (snippet, content, description, usecount, "group", enable, guid) VALUES
  ('sig', 'Best regards', 'Signature', 0, 'default', 1, '6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8'),
  ('today', 'Today is [date].', 'The date of today', 0, 'default', 1, '0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9'),
  ('addr', 'Quillo Street 1' || char(10) || '12345 Sampletown' || char(10) || 'Freedonia', 'A postal address', 0, 'default', 1, '1B2C3D4E-5F60-4172-8384-A5B6C7D8E9FA'),
  ('ty', 'Thank you!', '', 0, 'default', 1, '2C3D4E5F-6071-4283-9495-B6C7D8E9FA0B');
