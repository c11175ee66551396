-- Stored procedures of the sample database, for servers that have them.

-- The orders of one customer: a set-returning function, its rows the fields of a TStoredProc.
CREATE FUNCTION customer_orders(cust FLOAT)
  RETURNS TABLE (OrderNo FLOAT, SaleDate TIMESTAMP, AmountPaid MONEY)
  LANGUAGE sql STABLE
  AS $$ SELECT o.OrderNo, o.SaleDate, o.AmountPaid FROM orders o WHERE o.CustNo = cust ORDER BY o.OrderNo $$;

-- What an order comes to, with or without its tax: two overloads.
CREATE FUNCTION order_total(order_no FLOAT) RETURNS MONEY
  LANGUAGE sql STABLE
  AS $$ SELECT ItemsTotal + Freight FROM orders WHERE OrderNo = order_no $$;
CREATE FUNCTION order_total(order_no FLOAT, with_tax BOOLEAN) RETURNS MONEY
  LANGUAGE sql STABLE
  AS $$ SELECT ItemsTotal * (1 + CASE WHEN with_tax THEN TaxRate / 100 ELSE 0 END) + Freight
        FROM orders WHERE OrderNo = order_no $$;

-- A customer's balance through out parameters.
CREATE PROCEDURE customer_balance(IN cust FLOAT, OUT paid MONEY, OUT order_count INTEGER)
  LANGUAGE plpgsql
  AS $$ BEGIN
    SELECT coalesce(sum(AmountPaid), 0::money), count(*) INTO paid, order_count FROM orders WHERE CustNo = cust;
  END $$;
