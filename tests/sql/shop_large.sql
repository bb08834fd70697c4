-- Adds @DOCUMENTS@ generated shop sales to the shop database (after shop.sql), for benchmarks:
-- one document every 691.2 seconds from 1 January 2023 (a sale, every tenth a return), with
-- one goods line each. @DOCUMENTS@ is replaced by the generator before isql-fb runs the script.
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE n INTEGER = @DOCUMENTS@;
  DECLARE i INTEGER = 0;
  DECLARE t SMALLINT;
BEGIN
  WHILE (i < n) DO
  BEGIN
    t = IIF(MOD(i, 10) = 9, 3, 2);
    INSERT INTO DOCUMENTS (ID_DOC, DATA, "TYPE", PAYMENT)
      VALUES (:i + 100, DATEADD(CAST(:i AS BIGINT) * 691200 MILLISECOND
                                TO TIMESTAMP '2023-01-01 08:05:00'), :t, 1 + MOD(:i, 2));
    INSERT INTO GOODSMOTION (ID, ID_DOC, ID_P, "TYPE", "COUNT", ZPRICE, RPRICE, PPRICE)
      VALUES (:i + 100, :i + 100, 10 + MOD(:i, 4), :t, 1 + MOD(:i, 3), 45.50 + MOD(:i, 5),
              120.00 + MOD(:i, 7), 125.00 + MOD(:i, 7));
    i = i + 1;
  END
END^
SET TERM ; ^
COMMIT;
